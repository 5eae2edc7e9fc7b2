// The user's folders and the locks of running processes.
#include "runtime/data/user_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace {

String xdg_folder(const char* variable, const char* fallback) {
  const char* value = std::getenv(variable);
  std::string folder;
  if (value && value[0] == '/') {
    folder = value;
  } else if (const char* home = std::getenv("HOME"); home && home[0] == '/') {
    folder = std::string(home) + "/" + fallback;
  } else {
    return String();
  }
  if (folder.back() != '/') folder += '/';
  return string_from_utf8(folder);
}

}  // namespace

String user_state_folder() { return xdg_folder("XDG_STATE_HOME", ".local/state"); }
String user_config_folder() { return xdg_folder("XDG_CONFIG_HOME", ".config"); }

bool folder_create(const String& path) {
  std::string folder = string_to_utf8(path);
  if (folder.empty()) return false;
  for (size_t slash = folder.find('/', 1); slash != std::string::npos; slash = folder.find('/', slash + 1))
    mkdir(folder.substr(0, slash).c_str(), 0700);
  mkdir(folder.c_str(), 0700);
  struct stat info;
  return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

int lock_hold(const String& path) {
  std::string name = string_to_utf8(path);
  std::string temporary = name + ".XXXXXX";
  int fd = mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return -1;
  // Locked before it gets its name: whoever finds it finds it held.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0 || rename(temporary.c_str(), name.c_str()) != 0) {
    ::close(fd);
    unlink(temporary.c_str());
    return -1;
  }
  return fd;
}

int lock_try(const String& path) {
  int fd = ::open(string_to_utf8(path).c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return -1;
  int result;
  do result = flock(fd, LOCK_EX | LOCK_NB);
  while (result != 0 && errno == EINTR);
  if (result != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

void lock_release(int lock) {
  if (lock < 0) return;
  flock(lock, LOCK_UN);
  ::close(lock);
}
