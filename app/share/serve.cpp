// Serving a formation file and following it.
#include "app/share/serve.h"

#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "app/formation/formation.h"
#include "app/formation/formation_record.h"
#include "app/mapview/model.h"
#include "app/share/share.h"
#include "runtime/net/loop.h"
#include "runtime/toolkit/requesters.h"

namespace {

// How often the file is looked at; it is read once it has stayed the same
// for one more look (a file being written is never read half-way).
constexpr int LookMs = 250;

struct FileState {
  bool exists = false;
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  int64_t modified_ns = 0;
  bool operator==(const FileState&) const = default;
};

FileState look(const std::string& path) {
  FileState s;
  struct stat st{};
  if (stat(path.c_str(), &st) != 0) return s;
  s.exists = true;
  s.device = st.st_dev;
  s.inode = st.st_ino;
  s.size = st.st_size;
  s.modified_ns = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return s;
}

void say(const std::string& text) { std::fprintf(stderr, "tavrel: %s\n", text.c_str()); }

// Reads the file into record; "" when it holds a complete formation whose
// level exists, else why not (the messages of "Spiel laden").
std::string read(const String& path, FormationRecord* record, String* level_path) {
  bool old_format = string_equal(string_lower(string_right(path, 3)), u"gls");
  FormationRead result = FormationRead::Complete;
  String why = check_formation_file(path, old_format, record, level_path, &result);
  if (why.empty() && result != FormationRead::Complete)
    why = u"Die Datei ist unvollständig und konnte nicht geladen werden.";
  return string_to_utf8(why);
}

}  // namespace

int serve_from_command_line(const String& path, int port) {
  requesters_to_standard_error(u"tavrel");
  std::string name = string_to_utf8(path);
  FileState loaded = look(name);
  FormationRecord record;
  String level_path;
  std::string why = read(path, &record, &level_path);
  if (why.empty()) {
    put_formation(record, level_path);
    if (MapView.map_image == 0) why = "Das Kartenbild des Levels kann nicht gelesen werden.";
  }
  if (!why.empty()) {
    say(name + ": " + why);
    return 1;
  }
  std::string error;
  if (!share_start(port, true, &error)) {
    say(error);
    return 1;
  }
  std::printf("%s\n", share_address().c_str());
  std::fflush(stdout);

  FileState last_look = loaded;
  FileState refused;  // the state of a file already warned about
  unsigned timer = timer_start(LookMs, [&] {
    FileState now = look(name);
    bool steady = now == last_look;
    last_look = now;
    if (!steady || now == loaded || now == refused || !now.exists) return true;
    FormationRecord next;
    String next_level;
    std::string reason = read(path, &next, &next_level);
    // A file that changed while it was read is read again at the next look.
    if (!(look(name) == now)) return true;
    if (reason.empty()) {
      loaded = now;
      put_formation(next, next_level);
      share_publish_now();
    } else {
      refused = now;
      say("Warnung: " + name + ": " + reason + " Gezeigt bleibt die zuletzt gelesene Aufstellung.");
    }
    return true;
  });
  run_until_signal();
  timer_stop(timer);
  share_stop();
  return 0;
}
