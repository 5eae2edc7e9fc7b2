#include "runtime/core/objects.h"

#include <unordered_set>

namespace {

std::unordered_set<int>& live_handles() {
  static std::unordered_set<int> handles;
  return handles;
}

int next_handle = FixedNumberLimit;

}  // namespace

int object_new_handle() {
  auto& live = live_handles();
  // Handles count upward and wrap before 2^31; live ones are skipped, so a
  // handle is never given out twice at the same time.
  do {
    if (next_handle >= 0x7FFFFFFF || next_handle < FixedNumberLimit) next_handle = FixedNumberLimit;
    ++next_handle;
  } while (live.count(next_handle));
  live.insert(next_handle);
  return next_handle;
}

void object_drop_handle(int handle) { live_handles().erase(handle); }
