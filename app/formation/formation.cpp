// The save and load commands. A formation goes to and from files as a plain
// record (formation_record.h); the formation on the map is replaced only when
// the whole file has been read and its level file exists.
#include "app/formation/formation.h"

#include <algorithm>

#include "app/formation/formation_record.h"
#include "app/level/level.h"
#include "app/mapview/model.h"
#include "app/state/lists.h"
#include "app/state/program.h"
#include "runtime/core/objects.h"
#include "runtime/data/directory.h"
#include "runtime/data/files.h"
#include "runtime/toolkit/desktop.h"
#include "runtime/toolkit/requesters.h"

String FormationFolder;

namespace {

// Stands for ProgramDir (with its final "/") in stored level references, so
// that a formation moves with the program: two backslashes, PROGDIR, two
// backslashes.
const String ProgramDirPlaceholder = u"\\\\PROGDIR\\\\";

void report(const String& text) { message_requester(u"Tavrel", text, IconError); }

// A copy of the list's records in order; its current element is kept.
template <class Record>
std::vector<Record> records_of(List<Record>* list) {
  std::vector<Record> records;
  walk_list(list, [&](Record* record) { records.push_back(*record); });
  return records;
}

}  // namespace

String stored_level_reference(const String& level_path) {
  return string_replace(level_path, ProgramDir, ProgramDirPlaceholder);
}

String level_path_from_reference(const String& reference) {
  return string_replace(reference, ProgramDirPlaceholder, ProgramDir);
}

FormationRecord current_formation() {
  FormationRecord record;
  record.level_reference = stored_level_reference(MapView.level_path);
  record.zoom = static_cast<int8_t>(MapView.zoom);
  record.heroes = records_of(Heroes);
  record.trails = records_of(Trails);
  record.graves = records_of(Graves);
  record.transports = records_of(Transports);
  std::copy(std::begin(Inscriptions), std::end(Inscriptions), record.inscriptions);
  return record;
}

namespace {

void append_pieces(List<Piece>* list, const std::vector<Piece>& pieces) {
  list_clear(list);
  for (const Piece& piece : pieces) {
    list_last(list);
    *list_add(list) = piece;
  }
}

}  // namespace

void put_formation(const FormationRecord& record, const String& level_path) {
  load_level(level_path);
  MapView.zoom = std::clamp<int32_t>(record.zoom, 25, 100);
  list_reset(Heroes);
  list_reset(Trails);
  for (size_t i = 0; i < record.heroes.size(); i++) {
    Piece* hero = list_next(Heroes);
    if (!hero) break;
    *hero = record.heroes[i];
    if (i >= record.trails.size()) continue;
    if (Trail* trail = list_next(Trails)) *trail = record.trails[i];
  }
  append_pieces(Graves, record.graves);
  list_reset(Graves);
  append_pieces(Transports, record.transports);
  for (int i = 0; i < InscriptionCount; i++)
    if (!record.inscriptions[i].empty()) Inscriptions[i] = record.inscriptions[i];
}

SaveResult save_formation() {
  String path = save_file_requester(u"Tavrel - Aufstellung speichern", FormationFolder,
                                    u"Partyaufstellung (*.tvf)|*.tvf", 0);
  if (path.empty()) return SaveResult::Cancelled;
  FormationFolder = path_part(path);
  if (!string_equal(string_right(path, 4), u".tvf")) path += u".tvf";
  return write_formation(path) ? SaveResult::Saved : SaveResult::Failed;
}

void load_formation() {
  String path = open_file_requester(u"Tavrel - Aufstellung laden", FormationFolder,
                                    u"Partyaufstellung (*.tvf)|*.tvf|Altes Dateiformat (*.gls)|*.gls", 0);
  if (!path.empty()) load_formation_file(path);
}

bool load_formation_file(const String& path) {
  name_step(u"Spiel laden");
  FormationFolder = path_part(path);
  return read_formation_file(path, string_equal(string_lower(string_right(path, 3)), u"gls"));
}

bool write_formation(const String& path) {
  FormationRecord record = current_formation();
  int file = file_create_replacing(AnyNumber, path);
  if (!file) {
    report(u"Die Datei konnte nicht erstellt werden.");
    return false;
  }
  bool written = write_formation_record(file, record);
  if (written)
    written = file_commit(file) == 1;
  else
    file_close(file);
  if (!written) {
    report(u"Die Datei konnte nicht vollständig geschrieben werden. "
           u"Eine bereits vorhandene Datei ist unverändert geblieben.");
    return false;
  }
  LayoutFile = path;
  note_saved(false);
  recent_file_add(path);
  return true;
}

void load_dropped_formation() {
  std::vector<String> files = event_dropped_files();
  if (!files.empty()) load_formation_file(files.front());
}

void read_formation(const String& path) { read_formation_file(path, false); }

void read_old_formation(const String& path) { read_formation_file(path, true); }

String check_formation_file(const String& path, bool old_format, FormationRecord* record, String* level_path,
                            FormationRead* result) {
  int file = file_read_only(AnyNumber, path);
  if (!file) return u"Die Datei konnte nicht geöffnet werden.";
  *result = read_formation_record(file, old_format, record);
  file_close(file);
  if (*result == FormationRead::WrongVersion)
    return u"Das Dateiformat ist nicht kompatibel mit der verwendeten Version von Tavrel.";
  if (*result == FormationRead::HeaderIncomplete) return u"Die Datei ist unvollständig und konnte nicht geladen werden.";
  *level_path = old_format ? record->level_reference : level_path_from_reference(record->level_reference);
  if (file_size(*level_path) < 0) return u"Die Leveldatei '" + *level_path + u"' kann nicht gefunden werden.";
  return String();
}

bool read_formation_file(const String& path, bool old_format) {
  FormationRecord record;
  String level_path;
  FormationRead result = FormationRead::Complete;
  String why = check_formation_file(path, old_format, &record, &level_path, &result);
  if (!why.empty()) {
    report(why);
    return false;
  }
  put_formation(record, level_path);
  LayoutFile = path;
  recent_file_add(path);
  if (result == FormationRead::Incomplete)
    report(u"Die Datei ist unvollständig. Es wurde nur der vorhandene Teil der Aufstellung geladen.");
  return true;
}
