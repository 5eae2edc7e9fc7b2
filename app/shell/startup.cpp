// Start-up and shut-down of the program.
#include "app/shell/startup.h"

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/export/export_commands.h"
#include "app/formation/formation.h"
#include "app/history/undo.h"
#include "app/mapview/render.h"
#include "app/recovery/recovery.h"
#include "app/share/serve.h"
#include "app/share/share_window.h"
#include "app/level/level.h"
#include "app/shell/command_line.h"
#include "app/shell/event_loop.h"
#include "app/shell/main_window.h"
#include "app/state/lists.h"
#include "app/state/program.h"
#include "runtime/media/image.h"
#include "runtime/net/http_server.h"
#include "runtime/toolkit/desktop.h"
#include "runtime/toolkit/requesters.h"
#include "runtime/toolkit/runtime.h"
#include "runtime/toolkit/session.h"

namespace {

// The arguments, kept for the toolkit's initialisation.
int ProgramArgc = 0;
char** ProgramArgv = nullptr;

// The target of the link, or false when it cannot be read. The buffer starts
// at 255 bytes and grows by 256 while the result fills it (it may be cut off).
bool read_link(const char* link, std::string* target) {
  if (!link) return false;
  std::vector<char> buffer(255);
  for (;;) {
    ssize_t length = readlink(link, buffer.data(), buffer.size());
    if (length < 0) return false;
    if (static_cast<size_t>(length) < buffer.size()) {
      target->assign(buffer.data(), static_cast<size_t>(length));
      return true;
    }
    buffer.resize(buffer.size() + 256);
  }
}

}  // namespace

String find_program_dir(const char* exe_link, const char* argv0) {
  std::string path;
  if (!read_link(exe_link, &path)) path = argv0 ? argv0 : "";
  size_t slash = path.rfind('/');
  std::string directory = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  if (directory.empty() || directory.back() != '/') directory += '/';
  return string_from_utf8(directory);
}

QuitAnswer ask_save_at_quit() {
  if (UnsavedChanges != 1) return QuitAnswer::Quit;
  int answer = message_requester(
      u"Tavrel",
      u"Der aktuelle Spielstand wurde noch nicht gespeichert. Soll er vor dem Beenden gespeichert werden?",
      ButtonsYesNo);
  if (answer != ResultYes) return QuitAnswer::Quit;
  switch (save_formation()) {
    case SaveResult::Saved: return QuitAnswer::Quit;
    case SaveResult::Cancelled: return QuitAnswer::QuitKeepingLayout;
    case SaveResult::Failed: break;
  }
  return QuitAnswer::Stay;
}

namespace {

// A logout, a kill or a lost display: the layout goes into the recovery file
// before the program ends.
void on_end(int) { recovery_session_end(); }

}  // namespace

void open_start_file(const StartOptions& options) {
  if (!options.file.empty()) load_formation_file(string_from_utf8(options.file));
}

int tavrel_main(int argc, char** argv) {
  ProgramArgc = argc;
  ProgramArgv = argv;
  const char* argv0 = argc > 0 && argv ? argv[0] : nullptr;

  // The command line is read before the display is opened: --help,
  // --version and errors work without one.
  StartOptions options;
  int status = 0;
  if (!read_start_options(&ProgramArgc, &ProgramArgv, &options, &status)) return status;

  // The desktop finds the entry, icon and file types by this name.
  application_identify("de.tavrel.Tavrel", "Tavrel", "tavrel");
  // Connections from the network must never take the files the program
  // needs: the limit of open files is raised before anything is served.
  net_raise_file_limit();
  // --export writes a picture and --serve serves without a window: the
  // display stays closed.
  bool exporting = !options.export_file.empty() || options.serve;
  int has_display = 0;
  if (exporting)
    runtime_init_without_display();
  else
    has_display = runtime_init(&ProgramArgc, &ProgramArgv);
  ProgramDir = find_program_dir("/proc/self/exe", argv0);
  use_png_decoder();
  use_jpeg_decoder();
  create_containers();
  if (exporting) {
    int result = options.serve ? serve_from_command_line(string_from_utf8(options.file), options.port)
                               : export_from_command_line(string_from_utf8(options.export_file),
                                                          string_from_utf8(options.file));
    runtime_release();
    return result;
  }

  // Without a main window there is nothing the user could do: say why and
  // stop instead of waiting for events that can never come.
  if (!has_display || !open_main_window()) {
    std::fputs("tavrel: cannot open the main window (is a display available?)\n", stderr);
    runtime_release();
    return 1;
  }

  load_level(u"");
  // What the program starts with is the start of the undo history.
  history_reset();
  recovery_start();
  on_session_end(on_end);
  // A layout that a Tavrel ended improperly left is offered over the map; a
  // file named on the command line is loaded unless that layout is taken.
  draw_map();
  bool restored = recovery_offer();
  if (!restored && !options.file.empty()) {
    open_start_file(options);
    history_reset();
  }
  update_edit_menu();
  if (options.share) share_from_command_line(options.port);
  for (;;) {
    run_event_loop();
    QuitAnswer answer = ask_save_at_quit();
    if (answer == QuitAnswer::Stay) continue;
    if (answer == QuitAnswer::QuitKeepingLayout) {
      recovery_write_now();
      recovery_stop();
    } else {
      recovery_discard();
    }
    break;
  }
  share_end();
  runtime_release();
  return 0;
}
