// The bytes of formation files. A formation is read into a plain record, and
// written from one, without touching the program's state: a damaged file is
// found out before anything of the formation on the map is replaced.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/state/lists.h"
#include "runtime/core/strings.h"

constexpr int FormationVersion = 1;
// Longest inscription a file can hold: its length is stored as an i16.
constexpr int MaxInscriptionLength = 32767;

struct FormationRecord {
  String level_reference;     // current format: with the placeholder for ProgramDir; old format: the full path
  int8_t zoom = 100;          // as stored, not yet brought into 25..100
  std::vector<Piece> heroes;  // in file order, as many as the file holds
  std::vector<Trail> trails;  // current format: the trail of each hero record the file holds; old format: none
  std::vector<Piece> graves;
  std::vector<Piece> transports;
  String inscriptions[InscriptionCount];
};

enum class FormationRead {
  Complete,          // every record the counts promise was read
  Incomplete,        // the file ended early: the record holds what was there
  HeaderIncomplete,  // the file ended before the counts and the zoom: nothing usable
  WrongVersion,      // current format: the first byte is missing or not 1
};

// Reads a formation from the open file (the ".gls" layout when old_format).
// Counts and lengths are believed only as far as the file has bytes for them,
// so nothing larger than the file is ever allocated; negative ones count as 0.
// Only whole records are kept. A text is read as exactly its stored number of
// units, whatever they are (a unit 0 is left out: strings never hold one).
FormationRead read_formation_record(int file, bool old_format, FormationRecord* record);
// The record in the current format. Trails missing for a hero are written as
// zeros; inscriptions longer than MaxInscriptionLength are cut there (one
// unit earlier when that would split a surrogate pair), so every file written
// reads back in step. Touches no runtime object: any thread may call it.
std::string formation_record_bytes(const FormationRecord& record);
// Writes formation_record_bytes to the open file. False when the write did
// not take all the bytes.
bool write_formation_record(int file, const FormationRecord& record);
