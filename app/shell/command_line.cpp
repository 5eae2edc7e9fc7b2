// The program's command line.
#include "app/shell/command_line.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "runtime/toolkit/command_line.h"

namespace {

std::vector<CommandLineOption> tavrel_options() {
  return {
      {"version", nullptr, "Die Versionsnummer ausgeben und beenden"},
      {"export", "BILD",
       "Die ganze Karte mit der Aufstellung als PNG-Bild nach BILD schreiben und beenden, ohne Fenster"},
      {"share", nullptr, "Die Aufstellung von Anfang an den Mitspielern im Browser zeigen"},
      {"serve", nullptr, "Die Aufstellung in DATEI ohne Fenster im Browser zeigen und der Datei folgen"},
      {"port", "PORT", "Für --share und --serve: dieser Port statt des ersten freien ab 8421"},
  };
}

bool refuse(const std::string& why, int* status) {
  std::fprintf(stderr, "tavrel: %s\nEine Übersicht gibt „tavrel --help“.\n", why.c_str());
  *status = 2;
  return false;
}

}  // namespace

const char* tavrel_version_line() { return "tavrel " TAVREL_VERSION; }

bool read_start_options(int* argc, char*** argv, StartOptions* options, int* status) {
  CommandLine line = command_line_parse(
      argc, argv, "[DATEI]",
      "Legt die Partyaufstellung auf der Karte eines Levels aus. DATEI ist eine Aufstellung\n"
      "(„.tvf“ oder das alte Format „.gls“), die nach dem Level geladen wird.",
      tavrel_options());
  if (!line.ok) return refuse(line.error, status);
  if (line.arguments.size() > 1) return refuse("Es kann nur eine Datei angegeben werden.", status);
  options->version = line.values.count("version") > 0;
  if (options->version) {
    std::printf("%s\n", tavrel_version_line());
    *status = 0;
    return false;
  }
  auto absolute = [](const std::string& name) {
    std::error_code error;
    std::filesystem::path file = std::filesystem::absolute(name, error);
    return error ? name : file.lexically_normal().string();
  };
  if (!line.arguments.empty()) options->file = absolute(line.arguments[0]);
  if (line.values.count("export")) {
    if (line.values["export"].empty()) return refuse("--export braucht den Namen des Bildes.", status);
    options->export_file = absolute(line.values["export"]);
  }
  options->share = line.values.count("share") > 0;
  options->serve = line.values.count("serve") > 0;
  if (options->share + options->serve + !options->export_file.empty() > 1)
    return refuse("--share, --serve und --export schließen einander aus.", status);
  if (line.values.count("port")) {
    if (!options->share && !options->serve) return refuse("--port gilt nur mit --share oder --serve.", status);
    const std::string& port = line.values["port"];
    char* end = nullptr;
    long number = std::strtol(port.c_str(), &end, 10);
    if (port.empty() || *end != '\0' || number < 1 || number > 65535)
      return refuse("--port braucht eine Portnummer von 1 bis 65535.", status);
    options->port = static_cast<int>(number);
  }
  if (options->serve && options->file.empty()) return refuse("--serve braucht eine Aufstellung (DATEI).", status);
  return true;
}
