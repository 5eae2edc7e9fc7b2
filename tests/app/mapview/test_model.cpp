// The convoy of transports laid out along a hero's trail, and the recording
// of the trail as the hero is dragged.
#include <gtest/gtest.h>

#include <cstring>

#include "../app_support.h"

namespace {

// A hero at (25, 20) with the start trail of a fresh level (points 8 apart
// running down from its centre (41, 36)) and count transports of tile_x x 10
// attached by links; returns their positions in list order after the layout.
std::vector<XY> convoy(int tile_x, int count, std::vector<int8_t> links, int dx = 0) {
  fresh_state();
  MapView.player_size = 32, MapView.tile_x = tile_x, MapView.tile_y = 10;
  Piece* hero = put_piece(Heroes, 25, 20);
  Trail* trail = list_add(Trails);
  for (int j = 0; j < TrailLength; j++) trail->points[j] = TrailPoint{41 + dx * j, 36 + 8 * j};
  for (int i = 0; i < count; i++) put_piece(Transports, 0, 999);
  std::copy(links.begin(), links.end(), hero->links);
  layout_convoy(hero, trail);
  std::vector<XY> at;
  for (int i = 0; i < count; i++) at.push_back(xy(list_select(Transports, i)));
  return at;
}

TEST(Convoy, TransportsFollowAlongTheTrail) {
  // Slot 0 is centred (32 + 20) / 2 = 26 below the hero's centre, slot 1
  // tile_x = 20 further: convoy order is slot order, not list order.
  EXPECT_EQ(convoy(20, 2, {2, 1}), (std::vector<XY>{{31, 77}, {31, 57}}));
  EXPECT_EQ(XY(xy(list_select(Heroes, 0)) == XY(25, 20), list_select(Trails, 0)->points[29].y), XY(1, 268));
  // A 0 ends the convoy; links that name no transport (damaged files) place nothing.
  EXPECT_EQ(convoy(20, 3, {1, 9, -3, 2, 0, 3}), (std::vector<XY>{{31, 57}, {31, 77}, {0, 999}}));
  // The trail's end (41, 268) takes every transport that finds it exhausted.
  EXPECT_EQ(convoy(60, 6, {1, 2, 3, 4, 5, 6}),
            (std::vector<XY>{{11, 77}, {11, 136}, {11, 196}, {11, 256}, {11, 263}, {11, 263}}));
  // On a diagonal trail the anchor point 3 (59, 60) is 30 away: stepping back
  // 5 % of (18, 24) at a time gives (58, 59), (57, 58), (56, 56), 25 <= 26 away.
  EXPECT_EQ(convoy(20, 1, {1}, 6), (std::vector<XY>{{46, 51}}));
}

TEST(Convoy, TheTrailRecordsMovesOfMoreThanAQuarterHeroTheConvoyFollowsEveryMove) {
  convoy(20, 1, {1});
  Piece* hero = list_select(Heroes, 0);
  Trail* trail = list_select(Trails, 0);
  // sqrt(72) = 8.49 rounds to 8, exactly player_size / 4: not recorded; 9 is.
  for (auto [hx, hy, recorded] : {std::tuple{31, 26, false}, {25, 29, true}, {25, 37, false}}) {
    Trail before = *trail;
    hero->x = hx, hero->y = hy;
    record_trail(hero, trail);
    EXPECT_EQ(memcmp(&before, trail, sizeof(Trail)) != 0, recorded) << hx << "," << hy;
  }
  // The centre (41, 45) came first, the old point 29 was lost; from the centre
  // (41, 53) the anchor is (41, 84), and stepping back gives (41, 79).
  EXPECT_EQ(std::tuple(trail->points[0].y, trail->points[1].y, trail->points[29].y, xy(list_select(Transports, 0))),
            std::tuple(45, 36, 36 + 8 * 28, XY(31, 74)));
}

}  // namespace
