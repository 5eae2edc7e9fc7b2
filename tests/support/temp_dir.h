// A scratch directory for one test, removed with everything in it afterwards,
// and code run in a child process that may write only so many bytes per file.
#pragma once

#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "runtime/core/strings.h"

struct TempDir {
  std::string dir;

  TempDir() {
    char pattern[] = "/tmp/tavrel-test-XXXXXX";
    if (!mkdtemp(pattern)) abort();
    dir = pattern;
  }
  ~TempDir() { std::filesystem::remove_all(dir); }

  std::string path(const std::string& name) const { return dir + "/" + name; }
  String upath(const std::string& name) const { return string_from_utf8(path(name)); }
  void write(const std::string& name, const std::string& bytes) const {
    std::ofstream(path(name), std::ios::binary) << bytes;
  }
  std::string read(const std::string& name) const {
    std::ifstream in(path(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
};

// fn's result in a child that may write limit bytes per file and, when the
// tests run as root, gives up root first (root passes every permission check).
inline bool in_child(rlim_t limit, const std::function<bool()>& fn) {
  pid_t pid = fork();
  if (pid == 0) {
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit rl {limit, limit};
    setrlimit(RLIMIT_FSIZE, &rl);
    _exit(geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0) ? 2 : !fn());
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
