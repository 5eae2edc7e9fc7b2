// Taking, comparing and restoring layout snapshots.
#include "app/history/snapshot.h"

#include <cstring>

#include "app/level/level.h"
#include "app/mapview/model.h"
#include "app/state/program.h"
#include "runtime/data/directory.h"
#include "runtime/toolkit/requesters.h"

namespace {

// Texts compared as bytes: much faster than unit by unit for long ones.
bool same_text(const String& a, const String& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), 2 * a.size()) == 0;
}

template <class Record>
bool same_records(const std::shared_ptr<const std::vector<Record>>& a,
                  const std::shared_ptr<const std::vector<Record>>& b) {
  if (a == b) return true;
  if (!a || !b || a->size() != b->size()) return false;
  return a->empty() || std::memcmp(a->data(), b->data(), a->size() * sizeof(Record)) == 0;
}

// The list's records, shared with previous when they are the same.
template <class Record>
std::shared_ptr<const std::vector<Record>> records_of(List<Record>* list,
                                                      const std::shared_ptr<const std::vector<Record>>* previous) {
  auto records = std::make_shared<std::vector<Record>>();
  records->reserve(static_cast<size_t>(list_size(list)));
  walk_list(list, [&](Record* record) { records->push_back(*record); });
  std::shared_ptr<const std::vector<Record>> made = std::move(records);
  if (previous && same_records(made, *previous)) return *previous;
  return made;
}

template <class Record>
size_t part_cost(const std::shared_ptr<const std::vector<Record>>& part,
                 const std::shared_ptr<const std::vector<Record>>* previous) {
  if (!part || (previous && *previous == part)) return 0;
  return sizeof(std::vector<Record>) + part->capacity() * sizeof(Record);
}

template <class Record>
void put_records(List<Record>* list, const std::shared_ptr<const std::vector<Record>>& records) {
  list_clear(list);
  if (!records) return;
  for (const Record& record : *records) {
    list_last(list);
    *list_add(list) = record;
  }
  list_reset(list);
}

}  // namespace

LayoutSnapshot take_snapshot(const LayoutSnapshot* previous) {
  LayoutSnapshot s;
  s.level_path = MapView.level_path;
  s.zoom = MapView.zoom;
  s.origin_x = MapView.origin_x;
  s.origin_y = MapView.origin_y;
  s.layout_file = LayoutFile;
  s.heroes = records_of(Heroes, previous ? &previous->heroes : nullptr);
  s.trails = records_of(Trails, previous ? &previous->trails : nullptr);
  s.graves = records_of(Graves, previous ? &previous->graves : nullptr);
  s.transports = records_of(Transports, previous ? &previous->transports : nullptr);
  for (int i = 0; i < InscriptionCount; i++) {
    const String& text = Inscriptions[i];
    if (text.empty()) continue;
    const std::shared_ptr<const String>* before = previous ? &previous->texts[i] : nullptr;
    s.texts[i] = before && *before && same_text(**before, text) ? *before : std::make_shared<const String>(text);
  }
  return s;
}

bool same_layout(const LayoutSnapshot& a, const LayoutSnapshot& b) {
  if (a.level_path != b.level_path || !same_records(a.heroes, b.heroes) || !same_records(a.trails, b.trails) ||
      !same_records(a.graves, b.graves) || !same_records(a.transports, b.transports))
    return false;
  for (int i = 0; i < InscriptionCount; i++) {
    const auto &x = a.texts[i], &y = b.texts[i];
    if (x != y && (!x || !y || !same_text(*x, *y))) return false;
  }
  return true;
}

size_t snapshot_cost(const LayoutSnapshot& s, const LayoutSnapshot* previous) {
  size_t cost = sizeof(LayoutSnapshot) + 2 * (s.level_path.size() + s.layout_file.size());
  cost += part_cost(s.heroes, previous ? &previous->heroes : nullptr);
  cost += part_cost(s.trails, previous ? &previous->trails : nullptr);
  cost += part_cost(s.graves, previous ? &previous->graves : nullptr);
  cost += part_cost(s.transports, previous ? &previous->transports : nullptr);
  for (int i = 0; i < InscriptionCount; i++)
    if (s.texts[i] && !(previous && previous->texts[i] == s.texts[i]))
      cost += sizeof(String) + 2 * s.texts[i]->capacity();
  return cost;
}

bool restore_snapshot(const LayoutSnapshot& to, const LayoutSnapshot& current) {
  bool other_level = to.level_path != MapView.level_path;
  if (other_level) {
    if (file_size(to.level_path) < 0) {
      message_requester(u"Tavrel", u"Die Leveldatei '" + to.level_path + u"' kann nicht gefunden werden.",
                        IconError);
      return false;
    }
    int32_t zoom = MapView.zoom;
    load_level(to.level_path);
    MapView.zoom = zoom;
  }
  if (other_level || to.heroes != current.heroes) put_records(Heroes, to.heroes);
  if (other_level || to.trails != current.trails) put_records(Trails, to.trails);
  if (other_level || to.graves != current.graves) put_records(Graves, to.graves);
  if (other_level || to.transports != current.transports) put_records(Transports, to.transports);
  for (int i = 0; i < InscriptionCount; i++)
    if (other_level || to.texts[i] != current.texts[i]) Inscriptions[i] = to.texts[i] ? *to.texts[i] : String();
  return true;
}
