// The formation model: pointer conversion, rounding, trail recording and the
// convoy layout.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "app/mapview/model.h"
#include "app/shell/shell.h"

namespace {

class ModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    create_containers();
    list_clear(Heroes);
    list_clear(Trails);
    list_clear(Transports);
    saved_ = MapView;
    MapView.zoom = 100;
    MapView.origin_x = 0;
    MapView.origin_y = 0;
    MapView.player_size = 32;
    MapView.tile_x = 20;
    MapView.tile_y = 10;
  }
  void TearDown() override {
    list_clear(Heroes);
    list_clear(Trails);
    list_clear(Transports);
    MapView = saved_;
  }

  // A hero at (25, 20) with the start trail of a fresh level: points 8 apart
  // running down from its centre (41, 36).
  Piece* add_start_hero(Trail** trail_out) {
    list_last(Heroes);
    Piece* hero = list_add(Heroes);
    hero->x = 25;
    hero->y = 20;
    list_last(Trails);
    Trail* trail = list_add(Trails);
    for (int j = 0; j < TrailLength; j++) trail->points[j] = TrailPoint{41, 36 + 8 * j};
    *trail_out = trail;
    return hero;
  }

  void add_transports(int count) {
    for (int i = 0; i < count; i++) {
      list_last(Transports);
      list_add(Transports);
    }
  }

  const Piece* transport(int position) { return list_select(Transports, position); }

  MapViewRecord saved_;
};

TEST_F(ModelTest, WindowToMapScalesAndTruncatesTowardZero) {
  // No map canvas exists here, so it lies at window position 0, 0.
  MapView.zoom = 50;
  MapView.origin_x = 100;
  MapView.origin_y = 40;
  EXPECT_EQ(window_to_map(7, 0), 114);
  EXPECT_EQ(window_to_map(7, 1), 54);
  EXPECT_EQ(window_to_map(-7, 0), 86);

  MapView.zoom = 90;
  EXPECT_EQ(window_to_map(1, 0), 101);
  // Left of the canvas: -100/90 truncates to -1, not -2.
  EXPECT_EQ(window_to_map(-1, 0), 99);
  EXPECT_EQ(window_to_map(-1, 1), 39);
  EXPECT_EQ(window_to_map(9, 0), 110);

  // Large window values do not overflow: 64-bit arithmetic.
  MapView.zoom = 25;
  MapView.origin_x = 0;
  EXPECT_EQ(window_to_map(int64_t{2000000000}, 0), int64_t{8000000000});
}

TEST_F(ModelTest, WindowToMapSurvivesAZoomOutsideItsRange) {
  MapView.origin_x = 0;
  MapView.zoom = 0;  // a damaged formation file: taken as the smallest scale
  EXPECT_EQ(window_to_map(10, 0), 40);
  MapView.zoom = -5;
  EXPECT_EQ(window_to_map(10, 0), 40);
  MapView.zoom = 255;  // taken as full size
  EXPECT_EQ(window_to_map(10, 0), 10);
}

TEST_F(ModelTest, RoundHalfEvenAndDistance) {
  EXPECT_EQ(round_half_even(0.5f), 0);
  EXPECT_EQ(round_half_even(1.5f), 2);
  EXPECT_EQ(round_half_even(2.5f), 2);
  EXPECT_EQ(round_half_even(-0.5f), 0);
  EXPECT_EQ(round_half_even(-1.5f), -2);
  EXPECT_EQ(round_half_even(-2.5f), -2);
  EXPECT_EQ(round_half_even(1.49f), 1);
  EXPECT_EQ(round_half_even(-1.51f), -2);
  EXPECT_EQ(round_half_even(66.4f), 66);
  EXPECT_EQ(round_half_even(std::nanf("")), 0);
  EXPECT_EQ(round_half_even(1e20f), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(round_half_even(-1e20f), std::numeric_limits<int32_t>::min());

  EXPECT_FLOAT_EQ(point_distance(TrailPoint{0, 0}, TrailPoint{3, 4}), 5.0f);
  EXPECT_FLOAT_EQ(point_distance(TrailPoint{-3, 10}, TrailPoint{0, 6}), 5.0f);
  // Extreme coordinates neither overflow nor turn negative.
  float far = point_distance(TrailPoint{INT32_MIN, 0}, TrailPoint{INT32_MAX, 0});
  EXPECT_FLOAT_EQ(far, 4294967295.0f);
}

TEST_F(ModelTest, RecordTrailNeedsMoreThanAQuarterOfTheHeroSize) {
  Trail* trail = nullptr;
  Piece* hero = add_start_hero(&trail);
  Trail before = *trail;

  // 8 pixels straight down: exactly player_size / 4, nothing recorded.
  hero->y = 28;
  record_trail(hero, trail);
  EXPECT_EQ(0, memcmp(&before, trail, sizeof(Trail)));

  // sqrt(72) = 8.49 rounds to 8: still nothing.
  hero->x = 31;
  hero->y = 26;
  record_trail(hero, trail);
  EXPECT_EQ(0, memcmp(&before, trail, sizeof(Trail)));

  // 9 pixels: the centre becomes point 0, the others move back one place and
  // the old point 29 is lost.
  hero->x = 25;
  hero->y = 29;
  record_trail(hero, trail);
  EXPECT_EQ(trail->points[0].x, 41);
  EXPECT_EQ(trail->points[0].y, 45);
  for (int j = 1; j < TrailLength; j++) {
    EXPECT_EQ(trail->points[j].x, before.points[j - 1].x) << j;
    EXPECT_EQ(trail->points[j].y, before.points[j - 1].y) << j;
  }
}

TEST_F(ModelTest, RecordTrailLaysOutTheConvoyEvenWithoutARecord) {
  Trail* trail = nullptr;
  Piece* hero = add_start_hero(&trail);
  add_transports(1);
  hero->links[0] = 1;
  record_trail(hero, trail);
  EXPECT_EQ(int32_t{transport(0)->x}, 31);
  EXPECT_EQ(int32_t{transport(0)->y}, 57);
}

TEST_F(ModelTest, ConvoySpacingOfFirstAndLaterSlots) {
  Trail* trail = nullptr;
  Piece* hero = add_start_hero(&trail);
  add_transports(2);
  hero->links[0] = 2;  // convoy order is slot order, not list order
  hero->links[1] = 1;
  Trail before = *trail;
  Piece hero_before = *hero;

  layout_convoy(hero, trail);
  // Slot 0: (32 + 20) / 2 = 26 from the hero's centre (41, 36): centre (41, 62).
  EXPECT_EQ(int32_t{transport(1)->x}, 31);
  EXPECT_EQ(int32_t{transport(1)->y}, 57);
  // Slot 1: tile_x = 20 from the previous centre: centre (41, 82).
  EXPECT_EQ(int32_t{transport(0)->x}, 31);
  EXPECT_EQ(int32_t{transport(0)->y}, 77);
  // Only transports move.
  EXPECT_EQ(0, memcmp(&before, trail, sizeof(Trail)));
  EXPECT_EQ(0, memcmp(&hero_before, hero, sizeof(Piece)));
}

TEST_F(ModelTest, ConvoyAlongADiagonalTrail) {
  Trail* trail = nullptr;
  Piece* hero = add_start_hero(&trail);
  // A trail running right and down from the hero's centre, 6 and 8 apart.
  for (int j = 0; j < TrailLength; j++) trail->points[j] = TrailPoint{41 + 6 * j, 36 + 8 * j};
  add_transports(1);
  hero->links[0] = 1;
  layout_convoy(hero, trail);
  // Anchor point 3 (59, 60) is 30 away; stepping back 5 % of (18, 24) gives
  // (58.1, 58.8) -> (58, 59), 28.6 away, then (57.2, 57.6) -> (57, 58), 27.2,
  // then (56.3, 56.4) -> (56, 56), 25 <= 26.
  EXPECT_EQ(int32_t{transport(0)->x}, 46);
  EXPECT_EQ(int32_t{transport(0)->y}, 51);
}

TEST_F(ModelTest, SixTransportsOnAnExhaustedTrail) {
  MapView.tile_x = 60;
  Trail* trail = nullptr;
  Piece* hero = add_start_hero(&trail);
  add_transports(6);
  for (int s = 0; s < MaxConvoy; s++) hero->links[s] = static_cast<int8_t>(s + 1);
  layout_convoy(hero, trail);
  // Centres at y 82, 141, 201 and 261; the trail ends at (41, 268), where the
  // last two transports stand one upon the other.
  const int expected_y[] = {77, 136, 196, 256, 263, 263};
  for (int s = 0; s < MaxConvoy; s++) {
    EXPECT_EQ(int32_t{transport(s)->x}, 11) << s;
    EXPECT_EQ(int32_t{transport(s)->y}, expected_y[s]) << s;
  }
  EXPECT_EQ(list_index(Transports), 5);
}

TEST_F(ModelTest, ConvoyStopsAtTheFirstEmptySlot) {
  Trail* trail = nullptr;
  Piece* hero = add_start_hero(&trail);
  add_transports(2);
  list_select(Transports, 1)->x = 999;
  hero->links[0] = 1;
  hero->links[2] = 2;  // behind a gap: not part of the convoy
  layout_convoy(hero, trail);
  EXPECT_EQ(int32_t{transport(0)->y}, 57);
  EXPECT_EQ(int32_t{transport(1)->x}, 999);
}

TEST_F(ModelTest, ConvoyPassesOverLinksThatNameNoTransport) {
  Trail* trail = nullptr;
  Piece* hero = add_start_hero(&trail);
  add_transports(2);
  hero->links[0] = 1;
  hero->links[1] = 9;   // no such transport
  hero->links[2] = -3;  // nor this
  hero->links[3] = 2;
  layout_convoy(hero, trail);
  EXPECT_EQ(list_size(Transports), 2);
  EXPECT_EQ(int32_t{transport(0)->y}, 57);
  // Placed the way the second slot of an intact convoy would be.
  EXPECT_EQ(int32_t{transport(1)->x}, 31);
  EXPECT_EQ(int32_t{transport(1)->y}, 77);

  // No transports at all.
  list_clear(Transports);
  layout_convoy(hero, trail);
  EXPECT_EQ(list_size(Transports), 0);
}

}  // namespace
