// The export commands of the menu and of the command line. The layout is only
// read: an export changes nothing of it and does not count as a change.
#include "app/export/export_commands.h"

#include <filesystem>

#include "app/export/export_picture.h"
#include "app/formation/formation.h"
#include "app/level/level.h"
#include "app/mapview/model.h"
#include "app/state/numbers.h"
#include "app/state/program.h"
#include "runtime/toolkit/progress.h"
#include "runtime/toolkit/requesters.h"

String ExportFolder;

namespace {

const String PngPatterns = u"PNG-Bild (*.png)|*.png";
// The scales the whole-map requester offers, in its order.
constexpr int Scales[] = {100, 50, 25};

void report(const String& text) { message_requester(u"Tavrel", text, IconError); }

// Tells the user why a picture was not written; true when it was.
bool report_result(ExportResult result) {
  switch (result) {
    case ExportResult::Written: return true;
    case ExportResult::NoMap: report(u"Es ist keine Karte geladen, die als Bild exportiert werden könnte."); break;
    case ExportResult::NotCreated: report(u"Die Datei konnte nicht erstellt werden."); break;
    case ExportResult::DiskFull:
      report(u"Das Bild konnte nicht vollständig geschrieben werden: Auf dem Datenträger ist kein Platz mehr frei. "
             u"Eine bereits vorhandene Datei ist unverändert geblieben.");
      break;
    case ExportResult::NotWritten:
      report(u"Das Bild konnte nicht vollständig geschrieben werden. "
             u"Eine bereits vorhandene Datei ist unverändert geblieben.");
      break;
  }
  return false;
}

// Where the requester starts: the last picture's folder, else the formation
// folder, else the current folder; the name is the level's.
String suggested_path(const String& suffix) {
  String folder = !ExportFolder.empty() ? ExportFolder : FormationFolder;
  if (folder.empty()) {
    std::error_code error;
    std::string current = std::filesystem::current_path(error).string();
    if (!error) folder = string_from_utf8(current) + u"/";
  }
  return folder + (MapView.level_name.empty() ? String(u"Karte") : MapView.level_name) + suffix + u".png";
}

// The save requester for a picture: ".png" appended when missing, the
// question before an existing file is replaced.
String ask_for_picture(const String& title, const String& suffix, SaveRequesterOptions& options) {
  options.extension = u".png";
  options.replace_title = u"Tavrel";
  options.replace_question = u"Die Datei „%1“ gibt es bereits. Soll sie ersetzt werden?";
  String path = save_file_requester(title, suggested_path(suffix), PngPatterns, 0, options);
  if (!path.empty()) ExportFolder = path_part(path);
  return path;
}

// Runs the export with the progress window over the main window.
ExportResult with_progress(const std::function<ExportResult(const ExportProgress&)>& work) {
  progress_begin(MainWindow, u"Tavrel", u"Das Bild wird geschrieben …");
  ExportResult result = work(progress_step);
  progress_end();
  return result;
}

}  // namespace

void export_map_command() {
  if (MapView.map_image == 0) {
    report_result(ExportResult::NoMap);
    return;
  }
  SaveRequesterOptions options;
  options.choices = {{u"Maßstab:", {u"100 %", u"50 %", u"25 %"}, 0},
                     {u"Inschriften neben Grabsteinen und Transportmitteln zeigen", {}, 0}};
  String path = ask_for_picture(u"Tavrel - Als Bild exportieren", u"", options);
  if (path.empty()) return;
  ExportOptions chosen;
  int scale = options.choices[0].selected;
  chosen.scale = scale >= 0 && scale < 3 ? Scales[scale] : 100;
  chosen.labels = options.choices[1].selected != 0;
  report_result(
      with_progress([&](const ExportProgress& progress) { return export_map_picture(path, chosen, progress); }));
}

void export_view_command() {
  if (MapView.map_image == 0) {
    report_result(ExportResult::NoMap);
    return;
  }
  SaveRequesterOptions options;
  String path = ask_for_picture(u"Tavrel - Ansicht als Bild exportieren", u" Ansicht", options);
  if (path.empty()) return;
  report_result(with_progress([&](const ExportProgress& progress) { return export_view_picture(path, progress); }));
}

int export_from_command_line(const String& picture, const String& formation) {
  requesters_to_standard_error(u"tavrel");
  if (formation.empty()) {
    load_level(u"");
    if (MapView.level_path.empty()) {
      report(u"Die Leveldatei '" + ProgramDir + u"Varn.gxml' kann nicht gelesen werden.");
      return 1;
    }
  } else if (!load_formation_file(formation)) {
    return 1;  // the reason has been told
  } else if (MapView.level_path.empty()) {
    report(u"Die Leveldatei der Aufstellung kann nicht gelesen werden.");
    return 1;
  }
  if (MapView.map_image == 0) {
    report(u"Das Kartenbild des Levels kann nicht gelesen werden.");
    return 1;
  }
  return report_result(export_map_picture(picture, ExportOptions())) ? 0 : 1;
}
