// The application's lists: the catalogs of everything that can stand on the
// map, the placed pieces (heroes, graves, transports) with the heroes'
// trails, and the inscription texts. Formation files store the piece and
// trail records byte for byte.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/core/strings.h"
#include "runtime/data/lists.h"

// One entry of a catalog.
struct CatalogEntry {
  String name;      // display name; for transports the default vehicle name
  String id;        // identifier; names the picture of graves and transports
  int picture = 0;  // image number of the entry's picture, 0 when none loaded
  String comment;
};

extern List<CatalogEntry>* PlayerCatalog;
extern List<CatalogEntry>* GraveCatalog;
extern List<CatalogEntry>* TransportCatalog;

// A placed hero, grave or transport. Formation files store it byte for byte:
// 42 bytes, packed, little-endian.
#pragma pack(push, 1)
struct Piece {
  int32_t catalog_index;   // position of the piece's entry in its catalog
  uint8_t reserved1[6];    // kept as read, zero for new pieces
  int8_t links[6];         // hero: 1-based transport positions of its convoy;
                           // transport: links[0] = 1-based hero position or 0
  uint8_t reserved2[14];
  int32_t x;               // left edge in map pixels
  int32_t y;               // top edge in map pixels
  int32_t inscription;     // index into Inscriptions (1..255), 0 for none
};
#pragma pack(pop)
static_assert(sizeof(Piece) == 42, "Piece is stored byte for byte in formation files");
static_assert(offsetof(Piece, links) == 10 && offsetof(Piece, x) == 30 && offsetof(Piece, inscription) == 38);

struct TrailPoint {
  int32_t x;
  int32_t y;
};

constexpr int TrailLength = 30;
constexpr int MaxConvoy = 6;
constexpr int InscriptionCount = 256;

// Where a hero's centre has been; point 0 is the most recent. 240 bytes.
struct Trail {
  TrailPoint points[TrailLength];
};
static_assert(sizeof(Trail) == 240, "Trail is stored byte for byte in formation files");

extern List<Piece>* Heroes;        // one per player, in catalog order
extern List<Trail>* Trails;        // one per hero, same order
extern List<Piece>* Graves;
extern List<Piece>* Transports;
extern String Inscriptions[InscriptionCount];

// Creates the seven lists of catalogs and pieces (catalogs and pieces in the
// order players, heroes, trails, graves, transports) and empties the 256
// Inscriptions. Lists that already exist are kept.
void create_containers();
// The inscription at index; "" for an index outside 0..255 (only a damaged
// formation file holds one).
const String& inscription_text(int32_t index);

// Makes the current element of a list current again when it goes out of
// scope (or none, if there was none), for walks and selections that must
// leave it where it was.
template <class Record>
class KeepCurrent {
 public:
  explicit KeepCurrent(List<Record>* list) : list_(list), record_(list ? list_current(list) : nullptr) {}
  ~KeepCurrent() {
    if (!list_) return;
    if (record_)
      list_set_current(list_, record_);
    else
      list_reset(list_);
  }
  KeepCurrent(const KeepCurrent&) = delete;
  KeepCurrent& operator=(const KeepCurrent&) = delete;

 private:
  List<Record>* list_;
  Record* record_;
};

// Calls visit for each record in list order; the current element is kept.
template <class Record, class Visit>
void walk_list(List<Record>* list, Visit visit) {
  if (!list) return;
  KeepCurrent<Record> keep(list);
  list_reset(list);
  while (Record* record = list_next(list)) visit(record);
}
