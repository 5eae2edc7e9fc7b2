// Directory listings by name pattern, and file sizes.
#pragma once

#include <cstdint>

#include "runtime/core/strings.h"

// Opens a listing of path ("" means ".") filtered by a shell pattern ("" lets
// everything through, "*.*" means "*"). 1 (or the handle for AnyNumber), or 0
// when the directory cannot be opened or the path is too long.
int dir_examine(int number, const String& path, const String& pattern);
// Steps to the next matching entry (file-system order, "." and ".." and
// directories included when they match). 1 if there is one, else 0.
int dir_next_entry(int listing);
// Name of the current entry, "" when there is none.
String dir_entry_name(int listing);
// Closes the listing; -1 finishes all listings.
void dir_finish(int listing);
// Size in bytes; -1 for an empty path or a status that cannot be read, -2 for
// a directory.
int64_t file_size(const String& path);
// Time of the last change of the file's contents in seconds since 1970
// (universal time); -1 when its status cannot be read.
int64_t file_modified(const String& path);
