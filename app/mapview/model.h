// The formation: the view of the loaded level, the placed pieces, one trail per
// hero and the inscription texts, with the conversions that several parts of
// the program share.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/core/strings.h"
#include "runtime/data/lists.h"

// The view of the loaded level and how it is looked at.
struct MapViewRecord {
  String level_name;       // the level's "name"; also the main window's title
  int map_image = 0;       // the map picture as loaded (image number)
  int work_image = 0;      // like map_image, sharing its pixels until drawn on (the step-by-step frame composes on it)
  int32_t zoom = 100;      // per cent, 25..100
  int32_t map_width = 0, map_height = 0;
  int32_t origin_x = 0, origin_y = 0;          // map pixel at the canvas's top-left
  int32_t canvas_width = 0, canvas_height = 0; // size of the map canvas
  int32_t tile_x = 0, tile_y = 0;              // size of a grave or transport
  int32_t player_size = 0;                     // width and height of a hero
  uint8_t tile_orientation = 0;
  String level_path;       // full path of the level file that was read
};
extern MapViewRecord MapView;

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

// Where a hero's centre has been; point 0 is the most recent. 240 bytes.
struct Trail {
  TrailPoint points[30];
};
static_assert(sizeof(Trail) == 240, "Trail is stored byte for byte in formation files");

constexpr int TrailLength = 30;
constexpr int MaxConvoy = 6;
constexpr int InscriptionCount = 256;

extern List<Piece>* Heroes;        // one per player, in catalog order
extern List<Trail>* Trails;        // one per hero, same order
extern List<Piece>* Graves;
extern List<Piece>* Transports;
extern String Inscriptions[InscriptionCount];

// The zoom that every conversion and drawing uses: MapView.zoom kept within
// 25..100. The commands never leave that range, but a formation file stores
// the zoom as a byte, so a damaged file could bring 0 or any other value.
int64_t view_zoom();
// The inscription at index; "" for an index outside 0..255 (only a damaged
// formation file holds one).
const String& inscription_text(int32_t index);
// Map coordinate of a window coordinate (axis 0 x, 1 y), in 64-bit integer
// arithmetic truncating toward zero. Safe for any zoom value.
int64_t window_to_map(int64_t value, int axis);
// Euclidean distance as a single-precision float.
float point_distance(TrailPoint p, TrailPoint q);
// Records the hero's centre in its trail when it moved more than
// player_size/4 from point 0, then lays out its convoy.
void record_trail(Piece* hero, Trail* trail);
// Places the hero's attached transports along its trail.
void layout_convoy(Piece* hero, Trail* trail);
// Single-precision value rounded to the nearest integer, halves to even.
int32_t round_half_even(float value);

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
