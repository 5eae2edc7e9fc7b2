#include "runtime/data/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/core/objects.h"

namespace {

struct FileObject {
  FILE* stream = nullptr;
  // FileBufferSize bytes, or empty for a file opened without buffer.
  std::vector<unsigned char> buffer;
  // Writing: free bytes left in the buffer; reading: unread bytes left.
  int64_t remaining = 0;
  // Reading: bytes the last refill put into the buffer.
  int64_t filled = 0;
  // True while the buffer holds read-ahead data (also right after opening),
  // false while it holds data waiting to be written.
  bool reading = true;
  int encoding = EncodingUtf8;
  bool read_only = false;
  // A write, flush or sync of the platform failed since the file was opened.
  bool failed = false;
  // Files from file_create_replacing: the hidden file being written and the
  // destination it replaces on file_commit.
  std::string temporary;
  std::string destination;

  FileObject() = default;
  FileObject(const FileObject&) = delete;
  FileObject& operator=(const FileObject&) = delete;
  // A file still open when its table goes away (the process ends without
  // file_close) still gets its pending data written.
  ~FileObject();
};

// fwrite that remembers a short write.
size_t put(FileObject& file, const void* data, size_t n) {
  size_t written = std::fwrite(data, 1, n, file.stream);
  if (written != n) file.failed = true;
  return written;
}

// Writes out the bytes waiting in the buffer; the buffer is then free.
void write_out(FileObject& file) {
  if (file.reading || file.buffer.empty()) return;
  int64_t pending = FileBufferSize - file.remaining;
  if (pending > 0) put(file, file.buffer.data(), static_cast<size_t>(pending));
  file.remaining = FileBufferSize;
}

void release_file(FileObject& file, int) {
  if (!file.stream) return;
  write_out(file);
  std::fclose(file.stream);
  file.stream = nullptr;
  // A replacing file that was not committed is given up.
  if (!file.temporary.empty()) unlink(file.temporary.c_str());
  file.temporary.clear();
}

FileObject::~FileObject() { release_file(*this, 0); }

ObjectTable<FileObject>& file_table() {
  static ObjectTable<FileObject> table(16, release_file);
  return table;
}

FileObject* find_file(int number) {
  FileObject* file = file_table().find(number);
  return file && file->stream ? file : nullptr;
}

int normal_encoding(int encoding) {
  encoding &= 31;
  return encoding == EncodingUtf16 || encoding == EncodingAscii ? encoding : EncodingUtf8;
}

bool valid_number(int number) { return number == AnyNumber || (number >= 0 && number < FixedNumberLimit); }

// Makes the file object for an open stream; the stream is closed on failure.
int add_file(int number, FILE* stream, int flags, bool read_only, FileObject** out) {
  int result = 0;
  FileObject* file = file_table().create(number, &result);
  if (!file) {
    std::fclose(stream);
    return 0;
  }
  *out = file;
  file->stream = stream;
  if (!(flags & FileUnbuffered)) file->buffer.assign(FileBufferSize, 0);
  file->reading = true;
  file->remaining = 0;
  file->filled = 0;
  // Bits 0 to 4 give the default encoding; 0 there means UTF-8.
  file->encoding = (flags & 31) == 0 ? EncodingUtf8 : normal_encoding(flags);
  file->read_only = read_only;
  return number == AnyNumber ? result : 1;
}

int open_file(int number, const String& path, int flags, const char* mode, const char* fallback_mode,
              bool read_only) {
  if (!valid_number(number)) return 0;
  // A number in use is released before the new file is opened, so that its
  // pending data reaches its own file first.
  if (number != AnyNumber) file_table().remove(number);
  std::string name = string_to_utf8(path);
  if (name.empty()) return 0;
  FILE* stream = std::fopen(name.c_str(), mode);
  if (!stream && fallback_mode) stream = std::fopen(name.c_str(), fallback_mode);
  if (!stream) return 0;
  // Reading mode opens a directory without complaint; refuse it like the
  // writing modes do.
  struct stat status;
  if (fstat(fileno(stream), &status) != 0 || S_ISDIR(status.st_mode)) {
    std::fclose(stream);
    return 0;
  }
  FileObject* file = nullptr;
  return add_file(number, stream, flags, read_only, &file);
}

// The file that a replacing save writes: a symbolic link is followed, so that
// the link stays and its target gets the new content.
std::string replaced_file(const std::string& path) {
  struct stat link_info;
  if (lstat(path.c_str(), &link_info) == 0 && S_ISLNK(link_info.st_mode)) {
    if (char* real = realpath(path.c_str(), nullptr)) {
      std::string target = real;
      std::free(real);
      return target;
    }
  }
  return path;
}

// The folder entry of a renamed file reaches the disk too.
void sync_folder(const std::string& file) {
  size_t slash = file.rfind('/');
  std::string folder = slash == std::string::npos ? "." : file.substr(0, slash + 1);
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  fsync(fd);
  ::close(fd);
}

// Puts the stream into writing state at the logical position.
void start_writing(FileObject& file) {
  if (!file.reading) return;
  // The C library needs a positioning call between reading and writing; it
  // also takes the stream back over the unread read-ahead bytes.
  fseeko(file.stream, -static_cast<off_t>(file.remaining), SEEK_CUR);
  file.reading = false;
  file.filled = 0;
  file.remaining = file.buffer.empty() ? 0 : FileBufferSize;
}

void start_reading(FileObject& file) {
  if (file.reading) return;
  write_out(file);
  if (std::fflush(file.stream) != 0) file.failed = true;
  file.reading = true;
  file.remaining = 0;
  file.filled = 0;
}

int64_t write_bytes(FileObject& file, const void* data, int64_t n) {
  if (file.read_only || n <= 0) return 0;
  start_writing(file);
  if (file.buffer.empty()) return static_cast<int64_t>(put(file, data, static_cast<size_t>(n)));
  if (n < file.remaining) {
    std::memcpy(file.buffer.data() + (FileBufferSize - file.remaining), data, static_cast<size_t>(n));
    file.remaining -= n;
    return n;
  }
  write_out(file);
  if (n >= FileBufferSize) return static_cast<int64_t>(put(file, data, static_cast<size_t>(n)));
  std::memcpy(file.buffer.data(), data, static_cast<size_t>(n));
  file.remaining = FileBufferSize - n;
  return n;
}

int64_t read_bytes(FileObject& file, void* data, int64_t n) {
  if (n <= 0) return 0;
  start_reading(file);
  auto* out = static_cast<unsigned char*>(data);
  if (file.buffer.empty()) return static_cast<int64_t>(std::fread(out, 1, static_cast<size_t>(n), file.stream));
  if (n <= file.remaining) {
    std::memcpy(out, file.buffer.data() + (file.filled - file.remaining), static_cast<size_t>(n));
    file.remaining -= n;
    return n;
  }
  int64_t delivered = file.remaining;
  if (delivered > 0) std::memcpy(out, file.buffer.data() + (file.filled - file.remaining), static_cast<size_t>(delivered));
  file.remaining = 0;
  int64_t rest = n - delivered;
  if (rest >= FileBufferSize) {
    file.filled = 0;
    return delivered + static_cast<int64_t>(std::fread(out + delivered, 1, static_cast<size_t>(rest), file.stream));
  }
  file.filled = static_cast<int64_t>(std::fread(file.buffer.data(), 1, FileBufferSize, file.stream));
  int64_t take = rest < file.filled ? rest : file.filled;
  std::memcpy(out + delivered, file.buffer.data(), static_cast<size_t>(take));
  file.remaining = file.filled - take;
  return delivered + take;
}

int64_t logical_position(FileObject& file) {
  off_t position = ftello(file.stream);
  if (position < 0) return -1;
  if (file.buffer.empty()) return position;
  return file.reading ? position - file.remaining : position + (FileBufferSize - file.remaining);
}

void seek_to(FileObject& file, int64_t target) {
  int64_t here = logical_position(file);
  write_out(file);
  if (!file.reading && std::fflush(file.stream) != 0) file.failed = true;
  file.reading = true;
  file.remaining = 0;
  file.filled = 0;
  // A position that cannot be reached (before the start) leaves the file
  // where it logically was, not at the end of the discarded read-ahead.
  if (target < 0 || fseeko(file.stream, static_cast<off_t>(target), SEEK_SET) != 0) {
    if (here >= 0) fseeko(file.stream, static_cast<off_t>(here), SEEK_SET);
  }
}

// Moves back over bytes just read (a unit given back after a carriage return).
void give_back(FileObject& file, int64_t n) {
  if (n <= 0) return;
  if (file.reading && !file.buffer.empty() && file.remaining + n <= file.filled) {
    file.remaining += n;
    return;
  }
  seek_to(file, logical_position(file) - n);
}

int64_t write_value(int file, int64_t value, int size) {
  FileObject* f = find_file(file);
  if (!f) return 0;
  unsigned char bytes[4];
  uint64_t v = static_cast<uint64_t>(value);
  for (int i = 0; i < size; ++i) bytes[i] = static_cast<unsigned char>(v >> (8 * i));
  return write_bytes(*f, bytes, size);
}

uint32_t read_value(int file, int size) {
  FileObject* f = find_file(file);
  if (!f) return 0;
  unsigned char bytes[4] = {0, 0, 0, 0};
  read_bytes(*f, bytes, size);
  return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

// Reads one character of the encoding. Returns the number of units it counts
// as for the length limit (1), or 0 at the end of the file. The character goes
// to out (two units for a UTF-8 character above U+FFFF); bytes_read tells how
// many bytes were taken from the file.
int read_character(FileObject& file, int encoding, char16_t out[2], int& units, int64_t& bytes_read) {
  units = 0;
  bytes_read = 0;
  if (encoding == EncodingUtf16) {
    unsigned char b[2];
    bytes_read = read_bytes(file, b, 2);
    if (bytes_read < 2) return 0;
    out[0] = static_cast<char16_t>(b[0] | (b[1] << 8));
    units = 1;
    return 1;
  }
  unsigned char lead;
  bytes_read = read_bytes(file, &lead, 1);
  if (bytes_read < 1) return 0;
  units = 1;
  if (encoding == EncodingAscii || lead < 0x80) {
    out[0] = lead;
    return 1;
  }
  int follow;
  uint32_t c;
  if (lead < 0xC0 || lead > 0xF7) {
    out[0] = u'?';
    return 1;
  } else if (lead < 0xE0) {
    follow = 1;
    c = lead & 0x1F;
  } else if (lead < 0xF0) {
    follow = 2;
    c = lead & 0x0F;
  } else {
    follow = 3;
    c = lead & 0x07;
  }
  for (int k = 0; k < follow; ++k) {
    unsigned char next;
    int64_t got = read_bytes(file, &next, 1);
    if (got < 1) return 0;  // cut short by the end of the file
    bytes_read += 1;
    if ((next & 0xC0) != 0x80) {
      // Not a continuation: it belongs to what follows.
      give_back(file, 1);
      bytes_read -= 1;
      out[0] = u'?';
      return 1;
    }
    c = (c << 6) | (next & 0x3F);
  }
  if (c == 0 || c > 0x10FFFF) {
    out[0] = u'?';
  } else if (c >= 0x10000) {
    c -= 0x10000;
    out[0] = static_cast<char16_t>(0xD800 + (c >> 10));
    out[1] = static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    units = 2;
  } else {
    out[0] = static_cast<char16_t>(c);
  }
  return 1;
}

}  // namespace

int file_create(int number, const String& path, int flags) {
  return open_file(number, path, flags, "w+", nullptr, false);
}

int file_open(int number, const String& path, int flags) {
  int result = open_file(number, path, flags, "r+", "w+", false);
  if (result && (flags & FileAppend)) {
    FileObject* file = find_file(number == AnyNumber ? result : number);
    if (file) fseeko(file->stream, 0, SEEK_END);
  }
  return result;
}

int file_read_only(int number, const String& path, int flags) {
  return open_file(number, path, flags, "r", nullptr, true);
}

namespace {

// Opens the hidden file that is to replace destination (a link followed):
// its descriptor, or -1 when destination names a directory or a file we may
// not write, or the folder takes no new file. The file gets the old one's
// permissions; a new one new_mode, or without it (-1) what creating it would
// have given.
int open_replacement(std::string* destination, std::string* temporary, int new_mode) {
  *destination = replaced_file(*destination);
  if (destination->empty() || destination->back() == '/') return -1;
  struct stat old_info;
  bool exists = stat(destination->c_str(), &old_info) == 0;
  if (exists && S_ISDIR(old_info.st_mode)) return -1;
  // A file that we may not write stays as it is, as it would for
  // file_create: renaming over it would bypass its protection.
  if (exists && faccessat(AT_FDCWD, destination->c_str(), W_OK, AT_EACCESS) != 0) return -1;
  size_t slash = destination->rfind('/');
  std::string folder = slash == std::string::npos ? "" : destination->substr(0, slash + 1);
  std::string name = slash == std::string::npos ? *destination : destination->substr(slash + 1);
  // Hidden, named after the destination, short enough for any file system.
  *temporary = folder + "." + name.substr(0, 200) + ".XXXXXX";
  int fd = mkstemp(temporary->data());
  if (fd < 0) return -1;
  // The new file gets the old one's permissions (and owner, where allowed);
  // a new file those that creating it would have given.
  if (exists && S_ISREG(old_info.st_mode)) {
    if (old_info.st_uid != geteuid() || old_info.st_gid != getegid())
      if (fchown(fd, old_info.st_uid, old_info.st_gid) != 0) {
        // Not permitted: the file belongs to whoever writes it.
      }
    fchmod(fd, old_info.st_mode & 07777);
  } else if (new_mode >= 0) {
    fchmod(fd, static_cast<mode_t>(new_mode));
  } else {
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
  }
  return fd;
}

}  // namespace

bool file_replace_contents(const std::string& path, const std::string& data, int new_mode) {
  std::string destination = path, temporary;
  int fd = open_replacement(&destination, &temporary, new_mode);
  if (fd < 0) return false;
  bool ok = true;
  for (size_t done = 0; ok && done < data.size();) {
    ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<size_t>(n);
  }
  ok = ok && fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  ok = ok && rename(temporary.c_str(), destination.c_str()) == 0;
  if (ok)
    sync_folder(destination);
  else
    unlink(temporary.c_str());
  return ok;
}

int file_create_replacing(int number, const String& path, int flags) {
  if (!valid_number(number)) return 0;
  if (number != AnyNumber) file_table().remove(number);
  std::string destination = string_to_utf8(path), temporary;
  int fd = open_replacement(&destination, &temporary, -1);
  if (fd < 0) return 0;
  FILE* stream = fdopen(fd, "w+");
  if (!stream) {
    ::close(fd);
    unlink(temporary.c_str());
    return 0;
  }
  FileObject* file = nullptr;
  int result = add_file(number, stream, flags, false, &file);
  if (!result) {
    unlink(temporary.c_str());
    return 0;
  }
  file->temporary = temporary;
  file->destination = destination;
  return result;
}

int file_commit(int file) {
  FileObject* f = find_file(file);
  if (!f) return 0;
  write_out(*f);
  bool ok = !f->failed && std::fflush(f->stream) == 0 && !std::ferror(f->stream) && fsync(fileno(f->stream)) == 0;
  if (std::fclose(f->stream) != 0) ok = false;
  f->stream = nullptr;
  if (!f->temporary.empty()) {
    if (ok && rename(f->temporary.c_str(), f->destination.c_str()) != 0) ok = false;
    if (ok)
      sync_folder(f->destination);
    else
      unlink(f->temporary.c_str());
    f->temporary.clear();
  }
  file_table().remove(file);
  return ok ? 1 : 0;
}

void file_close(int file) {
  if (file == -1) {
    file_table().remove_all();
    return;
  }
  if (file_table().find(file)) file_table().remove(file);
}

int file_write_byte(int file, int64_t value) { return static_cast<int>(write_value(file, value, 1)); }
int file_write_word(int file, int64_t value) { return static_cast<int>(write_value(file, value, 2)); }
int file_write_long(int file, int64_t value) { return static_cast<int>(write_value(file, value, 4)); }

int64_t file_write_data(int file, const void* data, int64_t length) {
  FileObject* f = find_file(file);
  if (!f || !data || length <= 0) return 0;
  return write_bytes(*f, data, length);
}

int64_t file_write_string(int file, const String& text, int encoding) {
  FileObject* f = find_file(file);
  if (!f || text.empty() || f->read_only) return 0;
  int chosen = (encoding & 31) == 0 ? f->encoding : normal_encoding(encoding);
  int64_t written = 0;
  if (chosen == EncodingUtf16) {
    std::vector<unsigned char> bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t unit : text) {
      bytes.push_back(static_cast<unsigned char>(unit & 0xFF));
      bytes.push_back(static_cast<unsigned char>(unit >> 8));
    }
    written = write_bytes(*f, bytes.data(), static_cast<int64_t>(bytes.size()));
  } else if (chosen == EncodingAscii) {
    std::vector<unsigned char> bytes;
    for (char16_t unit : text)
      if (unit < 256) bytes.push_back(static_cast<unsigned char>(unit));
    written = write_bytes(*f, bytes.data(), static_cast<int64_t>(bytes.size()));
  } else {
    std::string bytes = string_to_utf8(text);
    written = write_bytes(*f, bytes.data(), static_cast<int64_t>(bytes.size()));
  }
  if (f->buffer.empty() && std::fflush(f->stream) != 0) f->failed = true;
  return written;
}

int file_read_byte(int file) { return static_cast<int8_t>(read_value(file, 1)); }
int file_read_word(int file) { return static_cast<int16_t>(read_value(file, 2)); }
int32_t file_read_long(int file) { return static_cast<int32_t>(read_value(file, 4)); }

int64_t file_read_data(int file, void* data, int64_t length) {
  FileObject* f = find_file(file);
  if (!f || !data || length <= 0) return 0;
  return read_bytes(*f, data, length);
}

String file_read_string(int file, int flags, int64_t length) {
  String out;
  FileObject* f = find_file(file);
  if (!f) return out;
  int encoding = (flags & 31) == 0 ? f->encoding : normal_encoding(flags);
  bool whole = (flags & ReadWholeString) != 0;
  // The limit counts characters read, the terminating 0 or line end included.
  // A line end of CR LF counts two; when the CR used up the limit, the unit
  // after it stays unread, so a limited read never goes past its limit.
  int64_t left = length;
  char16_t units[2];
  int count;
  int64_t bytes;
  for (;;) {
    if (length >= 0 && left <= 0) break;
    if (!read_character(*f, encoding, units, count, bytes)) break;
    --left;
    if (count == 1 && units[0] == 0) break;
    if (!whole && count == 1 && units[0] == 10) break;
    if (!whole && count == 1 && units[0] == 13) {
      if (length >= 0 && left <= 0) break;
      if (read_character(*f, encoding, units, count, bytes)) {
        if (!(count == 1 && units[0] == 10)) give_back(*f, bytes);
      } else {
        // An incomplete unit at the end of the file is left where it was.
        give_back(*f, bytes);
      }
      break;
    }
    out.append(units, static_cast<size_t>(count));
  }
  return out;
}

void file_seek(int file, int64_t offset, int mode) {
  FileObject* f = find_file(file);
  if (!f) return;
  if (mode == 0)
    seek_to(*f, offset);
  else if (mode == 1)
    seek_to(*f, logical_position(*f) + offset);
}

int64_t file_position(int file) {
  FileObject* f = find_file(file);
  if (!f) return 0;
  return logical_position(*f);
}
