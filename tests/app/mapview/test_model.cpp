// The formation model: pointer conversion, rounding, trail recording and the
// convoy layout.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "../app_support.h"

namespace {

class ModelTest : public ::testing::Test {
 protected:
  // A hero at (25, 20) with the start trail of a fresh level: points 8 apart
  // running down from its centre (41, 36).
  void SetUp() override {
    ensure_app();
    saved_ = MapView;
    MapView = MapViewRecord();
    MapView.player_size = 32;
    MapView.tile_x = 20;
    MapView.tile_y = 10;
    clear();
    hero_ = put_piece(Heroes, 25, 20);
    list_last(Trails);
    trail_ = list_add(Trails);
    for (int j = 0; j < TrailLength; j++) trail_->points[j] = TrailPoint{41, 36 + 8 * j};
  }
  void TearDown() override {
    clear();
    MapView = saved_;
  }
  static void clear() {
    list_clear(Heroes);
    list_clear(Trails);
    list_clear(Transports);
  }
  // count transports, attached to the hero by links in slot order.
  void convoy(int count, std::vector<int8_t> links) {
    for (int i = 0; i < count; i++) put_piece(Transports, 0, 0);
    for (size_t s = 0; s < links.size(); s++) hero_->links[s] = links[s];
  }
  static XY at(int position) { return xy(list_select(Transports, position)); }

  MapViewRecord saved_;
  Piece* hero_ = nullptr;
  Trail* trail_ = nullptr;
};

TEST_F(ModelTest, WindowToMapScalesAndTruncatesTowardZero) {
  // The map canvas lies at window position (0, 0).
  struct {
    int32_t zoom, origin;
    int64_t value;
    int axis;
    int64_t expected;
  } cases[] = {{50, 100, 7, 0, 114},   {50, 100, 7, 1, 114},  {50, 100, -7, 0, 86},
               {90, 100, 1, 0, 101},   {90, 100, 9, 1, 110},  {90, 100, -1, 0, 99},  // -100/90 is -1, not -2
               {90, 100, -1, 1, 99},   {25, 0, 2000000000, 0, 8000000000},
               {0, 0, 10, 0, 40},      {-5, 0, 10, 1, 40},    {255, 0, 10, 0, 10}};  // damaged zoom values
  for (auto c : cases) {
    MapView.zoom = c.zoom;
    MapView.origin_x = MapView.origin_y = c.origin;
    EXPECT_EQ(window_to_map(c.value, c.axis), c.expected) << c.zoom << " " << c.value << " axis " << c.axis;
  }
}

TEST(Model, RoundHalfEvenAndDistance) {
  std::pair<float, int32_t> cases[] = {{0.5f, 0},   {1.5f, 2},   {2.5f, 2},     {-0.5f, 0},    {-1.5f, -2},
                                       {-2.5f, -2}, {1.49f, 1},  {-1.51f, -2},  {66.4f, 66},   {std::nanf(""), 0},
                                       {1e20f, INT32_MAX},       {-1e20f, INT32_MIN}};
  for (auto [value, expected] : cases) EXPECT_EQ(round_half_even(value), expected) << value;
  EXPECT_FLOAT_EQ(point_distance(TrailPoint{-3, 10}, TrailPoint{0, 6}), 5.0f);
  EXPECT_FLOAT_EQ(point_distance(TrailPoint{INT32_MIN, 0}, TrailPoint{INT32_MAX, 0}), 4294967295.0f);
}

TEST_F(ModelTest, RecordTrailNeedsMoreThanAQuarterOfTheHeroSize) {
  convoy(1, {1});
  Trail before = *trail_;
  // 8 pixels down is exactly player_size / 4; sqrt(72) = 8.49 rounds to 8.
  for (auto [hx, hy] : {std::pair{31, 26}, {25, 28}}) {
    hero_->x = hx;
    hero_->y = hy;
    record_trail(hero_, trail_);
    EXPECT_EQ(0, memcmp(&before, trail_, sizeof(Trail))) << hx << "," << hy;
  }
  // The convoy is laid out all the same: centre (41, 70), 26 below the hero's.
  EXPECT_EQ(at(0), XY(31, 65));
  // One pixel more: the centre becomes point 0 and the old point 29 is lost.
  hero_->x = 25;
  hero_->y = 29;
  record_trail(hero_, trail_);
  EXPECT_EQ(XY(trail_->points[0].x, trail_->points[0].y), XY(41, 45));
  EXPECT_EQ(0, memcmp(&before.points[0], &trail_->points[1], sizeof(TrailPoint) * (TrailLength - 1)));
}

TEST_F(ModelTest, ConvoySpacingOfFirstAndLaterSlots) {
  convoy(2, {2, 1});  // convoy order is slot order, not list order
  Trail before = *trail_;
  Piece hero_before = *hero_;
  layout_convoy(hero_, trail_);
  // Slot 0: (32 + 20) / 2 = 26 from the hero's centre (41, 36): centre (41, 62).
  EXPECT_EQ(at(1), XY(31, 57));
  // Slot 1: tile_x = 20 from the previous centre: centre (41, 82).
  EXPECT_EQ(at(0), XY(31, 77));
  EXPECT_EQ(0, memcmp(&before, trail_, sizeof(Trail)));
  EXPECT_EQ(0, memcmp(&hero_before, hero_, sizeof(Piece)));
}

TEST_F(ModelTest, ConvoyStepsBackAlongADiagonalTrail) {
  for (int j = 0; j < TrailLength; j++) trail_->points[j] = TrailPoint{41 + 6 * j, 36 + 8 * j};
  convoy(1, {1});
  layout_convoy(hero_, trail_);
  // Anchor point 3 (59, 60) is 30 away; stepping back 5 % of (18, 24) gives
  // (58, 59), 28.6 away, then (57, 58), 27.2, then (56, 56), 25 <= 26.
  EXPECT_EQ(at(0), XY(46, 51));
}

TEST_F(ModelTest, SixTransportsOnAnExhaustedTrail) {
  MapView.tile_x = 60;
  convoy(6, {1, 2, 3, 4, 5, 6});
  layout_convoy(hero_, trail_);
  // Centres at y 82, 141, 201 and 261; the trail ends at (41, 268), where the
  // last two stand one upon the other.
  const int expected_y[] = {77, 136, 196, 256, 263, 263};
  for (int s = 0; s < MaxConvoy; s++) EXPECT_EQ(at(s), XY(11, expected_y[s])) << s;
}

TEST_F(ModelTest, ConvoyEndsAtAGapAndPassesOverLinksToNoTransport) {
  convoy(3, {1, 9, -3, 2, 0, 3});  // 9 and -3 name no transport; 3 is behind the gap
  list_select(Transports, 2)->x = 999;
  layout_convoy(hero_, trail_);
  EXPECT_EQ(at(0), XY(31, 57));
  EXPECT_EQ(at(1), XY(31, 77));  // as the second slot of an intact convoy
  EXPECT_EQ(int32_t{list_select(Transports, 2)->x}, 999);
  list_clear(Transports);
  layout_convoy(hero_, trail_);
  EXPECT_EQ(list_size(Transports), 0);
}

}  // namespace
