// The convoy of transports laid out along a hero's trail.
#include <gtest/gtest.h>

#include "../app_support.h"

namespace {

// A hero at (25, 20) with the start trail of a fresh level (points 8 apart
// running down from its centre (41, 36), turned by dx per point) and count
// transports of tile_x x 10 attached by links; their positions after the layout.
std::vector<XY> convoy(int tile_x, int count, std::vector<int8_t> links, int dx = 0) {
  fresh_state();
  MapView.player_size = 32, MapView.tile_x = tile_x, MapView.tile_y = 10;
  Piece* hero = put_piece(Heroes, 25, 20);
  Trail* trail = list_add(Trails);
  for (int j = 0; j < TrailLength; j++) trail->points[j] = TrailPoint{41 + dx * j, 36 + 8 * j};
  for (int i = 0; i < count; i++) put_piece(Transports, 0, 999);
  std::copy(links.begin(), links.end(), hero->links);
  layout_convoy(hero, trail);
  std::vector<XY> at{xy(hero), XY(trail->points[29].x, trail->points[29].y)};
  for (int i = 0; i < count; i++) at.push_back(xy(list_select(Transports, i)));
  return at;
}

// Slot 0 is centred (32 + 20) / 2 = 26 below the hero's centre, slot 1
// tile_x = 20 further, in slot order; a 0 ends the convoy, links to no
// transport (damaged files) place nothing; the trail's end takes all that find
// it exhausted. On a diagonal trail the anchor point 3 (59, 60) is 30 away:
// steps of 5 % of (18, 24) back give (58, 59), (57, 58), (56, 56), 25 away.
TEST(Convoy, TransportsFollowAlongTheTrail) {
  EXPECT_EQ(convoy(20, 2, {2, 1}), (std::vector<XY>{{25, 20}, {41, 268}, {31, 77}, {31, 57}}));
  EXPECT_EQ(convoy(20, 3, {1, 9, -3, 2, 0, 3}), (std::vector<XY>{{25, 20}, {41, 268}, {31, 57}, {31, 77}, {0, 999}}));
  EXPECT_EQ(convoy(60, 6, {1, 2, 3, 4, 5, 6}),
            (std::vector<XY>{{25, 20}, {41, 268}, {11, 77}, {11, 136}, {11, 196}, {11, 256}, {11, 263}, {11, 263}}));
  EXPECT_EQ(convoy(20, 1, {1}, 6), (std::vector<XY>{{25, 20}, {215, 268}, {46, 51}}));
}

}  // namespace
