// Buffered, typed file access. Each open file has a 4096-byte buffer that
// serves reading and writing; switching between the two keeps the logical
// position. Integers are little-endian. Files are named by numbers of the file
// table or by AnyNumber handles (positive, 31 bits). Operations on a number
// that names no open file do nothing and return 0.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/core/strings.h"

constexpr int EncodingAscii = 0;
constexpr int EncodingUtf8 = 2;
constexpr int EncodingUtf16 = 25;
constexpr int ReadWholeString = 65536;
constexpr int FileUnbuffered = 524288;
constexpr int FileAppend = 1048576;
constexpr int FileBufferSize = 4096;

// Creates (or truncates) the file for reading and writing. Handle for
// AnyNumber, non-zero for a fixed number, 0 on failure.
int file_create(int number, const String& path, int flags = 0);
// Opens an existing file for reading and writing; creates it when that fails.
int file_open(int number, const String& path, int flags = 0);
// Opens for reading only; writes are refused.
int file_read_only(int number, const String& path, int flags = 0);
// Writes out the buffer and closes; -1 closes every open file. A file from
// file_create_replacing that is closed this way is discarded: its destination
// stays as it was.
void file_close(int file);

// Creates a file that is to replace path, for writing and reading like
// file_create. The writes go to a new hidden file in path's folder; only
// file_commit puts it in place of path, so a save that fails never destroys the
// file that was there. A symbolic link at path is followed (the link stays).
// The new file gets the permissions of the file it replaces. Handle or non-zero
// as file_create; 0 when path names a directory, a file we may not write, or
// when the folder takes no new file.
int file_create_replacing(int number, const String& path, int flags = 0);
// Finishes and closes the file: writes out the buffer, flushes it to the disk
// and, for a file from file_create_replacing, renames it over its destination.
// 1 when every write since the file was opened, the flush and the rename
// succeeded; 0 otherwise, and then a replacing file is removed and its
// destination is untouched.
int file_commit(int file);

// Replaces the file at path (UTF-8) by data in the same safe way as
// file_create_replacing and file_commit: a hidden file in the same folder,
// flushed to the disk, then renamed over path; on any failure path stays as
// it was. Uses no file number, so any thread may call it. A new file gets
// the permissions new_mode (an existing one keeps its own). True when all
// of it is on the disk.
bool file_replace_contents(const std::string& path, const std::string& data, int new_mode);

// Each returns the number of bytes written.
int file_write_byte(int file, int64_t value);
int file_write_word(int file, int64_t value);
int file_write_long(int file, int64_t value);
int64_t file_write_data(int file, const void* data, int64_t length);
// Without terminator or line end; encoding 0 = the file's default.
int64_t file_write_string(int file, const String& text, int encoding = 0);

// The next value, signed; bytes that could not be read count as 0.
int file_read_byte(int file);
int file_read_word(int file);
int32_t file_read_long(int file);
// Reads up to length bytes; returns the number delivered. Bytes not read leave
// the memory unchanged.
int64_t file_read_data(int file, void* data, int64_t length);
// Reads a string in the encoding of flags (bits 0-4, 0 = default) up to a 0
// unit or, without ReadWholeString, a line end (LF, CR, CR LF; consumed, not
// stored). length limits the units read (including the terminator); -1 = none.
String file_read_string(int file, int flags = 0, int64_t length = -1);
// Moves the position: mode 0 from the start, mode 1 relative to the current one.
void file_seek(int file, int64_t offset, int mode = 0);
// The logical position (for tests and callers that need it).
int64_t file_position(int file);
