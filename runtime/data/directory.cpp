#include "runtime/data/directory.h"

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <memory>
#include <string>

#include "runtime/core/objects.h"

namespace {

// Paths are built in a buffer of this many bytes, the terminator included;
// longer ones are refused rather than cut.
constexpr size_t PathBufferSize = 4096;

struct Listing {
  DIR* stream = nullptr;
  bool has_pattern = false;
  std::string pattern;
  std::string base_path;
  bool has_entry = false;
  std::string entry_name;
  struct stat entry_status {};

  Listing() = default;
  Listing(const Listing&) = delete;
  Listing& operator=(const Listing&) = delete;
  ~Listing() {
    if (stream) closedir(stream);
  }
};

void release_listing(Listing& listing, int) {
  if (listing.stream) closedir(listing.stream);
  listing.stream = nullptr;
}

// Created at its first use (the first dir_examine).
ObjectTable<Listing>& listing_table() {
  static ObjectTable<Listing> table(16, release_listing);
  return table;
}

Listing* find_listing(int number) {
  Listing* listing = listing_table().find(number);
  return listing && listing->stream ? listing : nullptr;
}

}  // namespace

int dir_examine(int number, const String& path, const String& pattern) {
  if (number != AnyNumber && (number < 0 || number >= FixedNumberLimit)) return 0;
  if (number != AnyNumber) listing_table().remove(number);

  std::string base = path.empty() ? std::string(".") : string_to_utf8(path);
  if (base.empty()) return 0;  // text that converts to nothing names no directory
  if (base.back() != '/') base += '/';
  if (base.size() + 1 > PathBufferSize) return 0;
  DIR* stream = opendir(base.c_str());
  if (!stream) return 0;

  int result = 0;
  Listing* listing = listing_table().create(number, &result);
  if (!listing) {
    closedir(stream);
    return 0;
  }
  listing->stream = stream;
  listing->base_path = base;
  std::string wanted = string_to_utf8(pattern);
  if (wanted == "*.*") wanted = "*";
  listing->has_pattern = !wanted.empty();
  listing->pattern = wanted;
  return number == AnyNumber ? result : 1;
}

int dir_next_entry(int number) {
  Listing* listing = find_listing(number);
  if (!listing) return 0;
  listing->has_entry = false;
  listing->entry_name.clear();
  std::string full;
  for (;;) {
    struct dirent* entry = readdir(listing->stream);
    if (!entry) return 0;
    if (listing->has_pattern && fnmatch(listing->pattern.c_str(), entry->d_name, FNM_NOESCAPE) != 0) continue;
    full = listing->base_path;
    full += entry->d_name;
    // An entry whose full path does not fit the path buffer is skipped.
    if (full.size() + 1 > PathBufferSize) continue;
    struct stat status;
    if (lstat(full.c_str(), &status) != 0) continue;
    listing->has_entry = true;
    listing->entry_name = entry->d_name;
    listing->entry_status = status;
    return 1;
  }
}

String dir_entry_name(int number) {
  Listing* listing = find_listing(number);
  if (!listing || !listing->has_entry) return String();
  return string_from_utf8(listing->entry_name);
}

void dir_finish(int number) {
  if (number == -1) {
    listing_table().remove_all();
    return;
  }
  if (listing_table().find(number)) listing_table().remove(number);
}

int64_t file_size(const String& path) {
  std::string name = string_to_utf8(path);
  if (name.empty() || name.size() + 1 > PathBufferSize) return -1;
  struct stat status;
  if (stat(name.c_str(), &status) != 0) return -1;
  if (S_ISDIR(status.st_mode)) return -2;
  return static_cast<int64_t>(status.st_size);
}

int64_t file_modified(const String& path) {
  struct stat status;
  if (stat(string_to_utf8(path).c_str(), &status) != 0) return -1;
  return static_cast<int64_t>(status.st_mtime);
}
