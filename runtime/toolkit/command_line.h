// The program's command line, read with GLib's option parser before the
// display is opened (so that --help and errors need no display), the
// toolkit's own options (--display and the like) included.
#pragma once

#include <map>
#include <string>
#include <vector>

// One option of the program: --name, or --name VALUE when value_name is set.
struct CommandLineOption {
  const char* name = nullptr;         // long name without "--"
  const char* value_name = nullptr;   // shown in --help; nullptr for a plain switch
  const char* description = nullptr;  // one line for --help
};

struct CommandLine {
  bool ok = true;
  std::string error;                          // why the command line was refused (one line)
  std::map<std::string, std::string> values;  // the options given: their value, "" for a switch
  std::vector<std::string> arguments;         // what is left (file names), in order
};

// Reads argv (argc and argv are left with the program name and what the
// toolkit still needs). parameters and summary describe the program in
// --help. --help prints the usage and ends the process with status 0, as
// GLib does. An unknown option or a missing value gives ok = false.
CommandLine command_line_parse(int* argc, char*** argv, const char* parameters, const char* summary,
                               const std::vector<CommandLineOption>& options);
