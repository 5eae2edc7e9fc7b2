// Formation files (".tvf"): the save and load commands and the exchange
// between the formation on the map and the files.
#pragma once

#include "app/formation/formation_record.h"
#include "runtime/core/strings.h"

// Folder of the formation file last chosen in the save or open requester (with
// its final "/"); where both requesters start. Empty at start-up.
extern String FormationFolder;

// The formation on the map as a formation file stores it.
FormationRecord current_formation();
// The level reference that a formation file stores for a level file (the
// program's folder replaced by a placeholder, so that a formation moves with
// the program), and the level file of a stored reference.
String stored_level_reference(const String& level_path);
String level_path_from_reference(const String& reference);
// Loads the level at level_path, then puts the record's pieces over what it
// set up: hero records beyond the level's heroes are left out, heroes beyond
// the records keep their start places; indices, links and texts are kept as
// stored; the zoom is brought into 25..100.
void put_formation(const FormationRecord& record, const String& level_path);
enum class SaveResult { Saved, Cancelled, Failed };
// Command "Spiel speichern": asks for a file name (".tvf" is appended unless
// the name ends in exactly that) and writes the formation. Failed when the
// chosen file could not be written (the user was told).
SaveResult save_formation();
// Command "Spiel laden": asks for a file and loads it (load_formation_file).
void load_formation();
// Loads the formation file at path as "Spiel laden" does once a file is
// chosen: its folder becomes the requesters' folder, a name ending in "gls"
// (any case) is read as an old formation file, anything else in the current
// format; problems are reported with the same messages. True when a
// formation was put on the map (also one that ended early).
bool load_formation_file(const String& path);
// A formation file dropped onto the map (the current FilesDropped event):
// loaded with load_formation_file, as "Spiel laden" loads a chosen file.
void load_dropped_formation();
// Saved and loaded files are added to the desktop's recently used files.
// Writes the formation to path. The file at path is replaced only once the new
// one is completely on the disk; on any failure the user reads why, the old
// file stays as it was and UnsavedChanges keeps its value. True when written
// (UnsavedChanges is then 0).
bool write_formation(const String& path);
// Replaces the formation by the one in the file at path (current format),
// loading its level first. The file is only read. A file that cannot be used
// (unreadable, another format, cut short before its counts, level missing) is
// reported and leaves the formation as it was; a file that ends early is
// loaded as far as it goes and reported as incomplete.
void read_formation(const String& path);
// As read_formation, for a file of the old format (".gls"): no version byte,
// transports or trails; the level path is stored in full.
void read_old_formation(const String& path);
// Reads the formation file at path into record without putting it on the
// map, with the level file it names and how far it could be read: "" when it
// can be put on the map (also one that ended early: see *result), else the
// message "Spiel laden" gives.
String check_formation_file(const String& path, bool old_format, FormationRecord* record, String* level_path,
                            FormationRead* result);
// As read_formation, for either format; true when a formation was put on the
// map (also one that ended early).
bool read_formation_file(const String& path, bool old_format);
