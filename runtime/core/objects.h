// Numbered objects of the runtime layer.
//
// Every runtime object (window, gadget, menu, image, XML document, file,
// directory listing) is named either by a small fixed number that the
// application chooses, or, when created with AnyNumber, by a dynamic handle
// that the creating call returns. Handles are positive, below 2^31 and never
// equal to a fixed number: fixed numbers are limited to 0..FixedNumberLimit-1
// and handles are drawn from FixedNumberLimit upward. A number that names no
// live object makes every operation do nothing and return 0.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

constexpr int AnyNumber = -1;
constexpr int Ignore = -65535;
constexpr int FixedNumberLimit = 1 << 20;

// A fresh dynamic handle, unique among all live handles of every kind.
int object_new_handle();
// Gives a handle back once its object is gone.
void object_drop_handle(int handle);

// One table per object kind. Record is the kind's record type; release frees
// what the record holds (closes the window, frees the pixel buffer, ...).
// Records are owned by the table and keep their address while they live.
template <class Record>
class ObjectTable {
 public:
  using Release = void (*)(Record& record, int number);

  ObjectTable(int growth_step, Release release) : growth_(growth_step), release_(release) {}
  ObjectTable(const ObjectTable&) = delete;
  ObjectTable& operator=(const ObjectTable&) = delete;

  // Makes a new, value-initialised record. A fixed number in use is released
  // first and its slot reused; AnyNumber makes a dynamic object. Writes the
  // number or the new handle to *number_out. nullptr for a number that is
  // neither AnyNumber nor a valid fixed number.
  Record* create(int number, int* number_out) {
    if (number == AnyNumber) {
      int handle = object_new_handle();
      auto& slot = dynamic_[handle];
      slot = std::make_unique<Record>();
      if (number_out) *number_out = handle;
      return slot.get();
    }
    if (number < 0 || number >= FixedNumberLimit) return nullptr;
    if (static_cast<size_t>(number) >= fixed_.size()) fixed_.resize(number + growth_);
    if (fixed_[number]) remove(number);
    // The release above may have run code that grew the table: index afresh.
    if (static_cast<size_t>(number) >= fixed_.size()) fixed_.resize(number + growth_);
    fixed_[number] = std::make_unique<Record>();
    if (number_out) *number_out = number;
    return fixed_[number].get();
  }

  // The live record of a fixed number or handle, or nullptr.
  Record* find(int number) const {
    if (number >= 0 && static_cast<size_t>(number) < fixed_.size()) return fixed_[number].get();
    if (number < FixedNumberLimit) return nullptr;
    auto it = dynamic_.find(number);
    return it == dynamic_.end() ? nullptr : it->second.get();
  }

  // Releases the object: the record leaves the table first, so that code run by
  // the release operation (toolkit signals) finds the number already free.
  void remove(int number) {
    std::unique_ptr<Record> record = take(number);
    if (record && release_) release_(*record, number);
  }

  // Drops the record without running the release operation (used when the
  // toolkit object is already gone).
  void forget(int number) { take(number); }

  // Releases every live fixed number in ascending order, then every dynamic
  // object.
  void remove_all() {
    for (size_t n = 0; n < fixed_.size(); ++n)
      if (fixed_[n]) remove(static_cast<int>(n));
    while (!dynamic_.empty()) remove(dynamic_.begin()->first);
  }

  // Numbers of all live objects, fixed ones first in ascending order.
  std::vector<int> numbers() const {
    std::vector<int> out;
    for (size_t n = 0; n < fixed_.size(); ++n)
      if (fixed_[n]) out.push_back(static_cast<int>(n));
    for (auto& [handle, record] : dynamic_) out.push_back(handle);
    return out;
  }

  // Slot count of the fixed numbers (grows by the growth step).
  size_t slot_count() const { return fixed_.size(); }

 private:
  std::unique_ptr<Record> take(int number) {
    std::unique_ptr<Record> record;
    if (number >= 0 && static_cast<size_t>(number) < fixed_.size()) {
      record = std::move(fixed_[number]);
    } else if (number >= FixedNumberLimit) {
      auto it = dynamic_.find(number);
      if (it != dynamic_.end()) {
        record = std::move(it->second);
        dynamic_.erase(it);
        object_drop_handle(number);
      }
    }
    return record;
  }

  int growth_;
  Release release_;
  std::vector<std::unique_ptr<Record>> fixed_;
  std::map<int, std::unique_ptr<Record>> dynamic_;
};
