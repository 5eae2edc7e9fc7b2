// What the command line asks of the program: tavrel [OPTION…] [FILE].
#pragma once

#include <string>

// The options given, checked against each other.
struct StartOptions {
  bool version = false;  // print the version and end
  std::string file;      // a formation file to load after the level ("" for none), made absolute
  std::string export_file;  // --export: the picture to write instead of opening a window ("" for none), made absolute
  bool share = false;       // --share: show the layout to the players from the start
  bool serve = false;       // --serve: serve the formation file without a window
  int port = 0;             // --port: the port to serve on (0: the first free one from 8421)
};

// Reads the command line (GLib's rules: options in any order, "--" ends
// them). --help prints the usage and ends the process. Returns false when the
// program is to end at once, with the exit status in *status: 2 after an
// error, which has been printed to standard error as one line with a hint at
// --help. Needs no display.
bool read_start_options(int* argc, char*** argv, StartOptions* options, int* status);
// The program's version, as --version prints it ("tavrel 1.1.0").
const char* tavrel_version_line();
