// Where "players.xml" lives: beside the program, or, when the program's folder
// is not the user's to write (a system-wide or packaged install), in the
// user's configuration folder, whose copy then takes precedence.
#include "app/catalogs/catalogs.h"

#include "app/state/program.h"
#include "runtime/data/directory.h"
#include "runtime/toolkit/desktop.h"

namespace {

String own_copy() { return user_config_path(u"tavrel", u"players.xml"); }

bool exists(const String& path) { return !path.empty() && file_size(path) >= 0; }

}  // namespace

String players_file_to_read() {
  String own = own_copy();
  return exists(own) ? own : ProgramDir + u"players.xml";
}

String players_file_to_write() {
  String own = own_copy();
  if (exists(own) || (!folder_writable(ProgramDir) && !own.empty())) {
    make_folders(path_part(own));
    return own;
  }
  return ProgramDir + u"players.xml";
}
