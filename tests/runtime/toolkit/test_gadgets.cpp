// Canvases, push buttons and image gadgets under a real display.
#include <gtest/gtest.h>

#include "runtime/toolkit/events.h"
#include "runtime/toolkit/gadgets.h"
#include "runtime/toolkit/windows.h"
#include "support/gui.h"

namespace {

class Gadgets : public testing::Test {
 protected:
  void SetUp() override {
    GUI_REQUIRE();
    ASSERT_NE(window_open(0, 0, 0, 400, 300, u"gadgets", 0x1E), 0);
    gui_discard_events();
  }
  void TearDown() override {
    window_close(-1);
    gui_discard_events();
  }
  // The events of one gadget, without enter/leave noise from the real pointer.
  std::vector<GuiEvent> gadget_events(int gadget) {
    std::vector<GuiEvent> out;
    for (const GuiEvent& e : gui_filter(gui_take_events(), Gadget, gadget))
      if (e.type != MouseEnter && e.type != MouseLeave) out.push_back(e);
    return out;
  }
};

// A buffer pixel as 0xBBGGRR.
uint32_t pixel(const DrawTarget* target, int x, int y) {
  const uint8_t* p = target->pixels + y * target->stride + x * 3;
  return p[0] | p[1] << 8 | p[2] << 16;
}

void set_pixel(DrawTarget* target, int x, int y, uint32_t colour) {
  uint8_t* p = target->pixels + y * target->stride + x * 3;
  p[0] = colour & 255;
  p[1] = (colour >> 8) & 255;
  p[2] = (colour >> 16) & 255;
}

TEST_F(Gadgets, DoubleClickOnACanvasArrivesAsSevenEventsInOrder) {
  ASSERT_NE(canvas_create(0, 0, 0, 200, 100, CanvasBorder), 0);
  gui_double_click(gadget_widget(0), 1, 30, 40);
  auto events = gadget_events(0);
  std::vector<int64_t> expected{LeftButtonDown, LeftButtonUp, LeftClick, LeftButtonDown,
                                LeftDoubleClick, LeftButtonUp, LeftClick};
  EXPECT_EQ(gui_types(events), expected);
  for (const GuiEvent& e : events) {
    EXPECT_EQ(e.window, 0);
    ASSERT_TRUE(e.has_mouse);
    EXPECT_EQ(e.mouse.x, 30);
    EXPECT_EQ(e.mouse.y, 40);
  }
}

TEST_F(Gadgets, CanvasTranslatesTheOtherButtonsTheWheelAndCrossings) {
  ASSERT_NE(canvas_create(2, 10, 10, 100, 100), 0);
  GtkWidget* canvas = gadget_widget(2);
  gui_click(canvas, 3, 5, 6);
  gui_click(canvas, 2, 5, 6);
  gui_button(canvas, GDK_2BUTTON_PRESS, 3, 5, 6);
  gui_button(canvas, GDK_2BUTTON_PRESS, 2, 5, 6);  // nothing
  gui_scroll(canvas, GDK_SCROLL_UP, 1, 1);
  gui_scroll(canvas, GDK_SCROLL_LEFT, 1, 1);  // nothing
  gui_crossing(canvas, true, 0, 0);
  gui_scroll(canvas, GDK_SCROLL_DOWN, 1, 1);
  gui_scroll(canvas, GDK_SCROLL_UP, 1, 1);  // collapses into the one before
  gui_crossing(canvas, false, 0, 0);
  auto events = gui_filter(gui_take_events(), Gadget, 2);
  std::vector<int64_t> expected{RightButtonDown, RightButtonUp, RightClick, MiddleButtonDown, MiddleButtonUp,
                                RightDoubleClick, MouseWheel, MouseEnter, MouseWheel, MouseLeave};
  ASSERT_EQ(gui_types(events), expected);
  EXPECT_EQ(events[6].mouse.wheel, 1);
  EXPECT_EQ(events[8].mouse.wheel, -1);
}

TEST_F(Gadgets, TwoMouseMovesCollapseAndTheRecordCarriesButtonsAndModifiers) {
  ASSERT_NE(canvas_create(0, 0, 0, 100, 100), 0);
  gui_motion(gadget_widget(0), 12, 34, GDK_BUTTON1_MASK | GDK_BUTTON2_MASK | GDK_CONTROL_MASK | GDK_SHIFT_MASK);
  gui_motion(gadget_widget(0), 13, 35, GDK_BUTTON3_MASK | GDK_MOD1_MASK);
  auto events = gadget_events(0);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].type, MouseMove);
  EXPECT_EQ(events[0].mouse.x, 12);  // the first one's record is kept
  EXPECT_EQ(events[0].mouse.y, 34);
  EXPECT_EQ(events[0].mouse.buttons, 1 | 4);
  EXPECT_EQ(events[0].mouse.modifiers, 1 | 4);
  gui_motion(gadget_widget(0), 13, 35, GDK_BUTTON3_MASK | GDK_MOD1_MASK);
  events = gadget_events(0);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].mouse.buttons, 2);
  EXPECT_EQ(events[0].mouse.modifiers, 2);
}

TEST_F(Gadgets, BorderedCanvasHasASmallerBufferButAtLeastOnePixel) {
  ASSERT_NE(canvas_create(0, 0, 0, 10, 10, CanvasBorder), 0);
  ASSERT_NE(canvas_create(1, 20, 0, 10, 10), 0);
  ASSERT_NE(canvas_create(2, 40, 0, 1, 1, CanvasBorder), 0);
  DrawTarget* bordered = canvas_output(0);
  ASSERT_NE(bordered, nullptr);
  EXPECT_LT(bordered->width, 10);
  EXPECT_LT(bordered->height, 10);
  EXPECT_GE(bordered->width, 1);
  EXPECT_EQ(bordered->bytes_per_pixel, 3);
  gui_pump_for(50);
  EXPECT_EQ(gtk_widget_get_allocated_width(gtk_widget_get_parent(gadget_widget(0))), 10);  // the frame
  EXPECT_EQ(gtk_widget_get_allocated_width(gadget_widget(0)), bordered->width);
  DrawTarget* plain = canvas_output(1);
  EXPECT_EQ(plain->width, 10);
  EXPECT_EQ(plain->height, 10);
  EXPECT_EQ(pixel(plain, 9, 9), 0xFFFFFFu);
  EXPECT_EQ(canvas_output(2)->width, 1);
  EXPECT_EQ(canvas_output(2)->height, 1);
}

TEST_F(Gadgets, GrowingACanvasKeepsTheOldPictureTopLeftAndFillsWhite) {
  ASSERT_NE(canvas_create(0, 5, 6, 20, 10), 0);
  DrawTarget* target = canvas_output(0);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 20; ++x) set_pixel(target, x, y, 0x0000FF);
  set_pixel(target, 19, 9, 0x00FF00);
  gui_discard_events();
  gadget_resize(0, Ignore, Ignore, 30, 25);
  EXPECT_EQ(gadget_x(0), 5);
  EXPECT_EQ(gadget_width(0), 30);
  EXPECT_EQ(gadget_height(0), 25);
  auto events = gadget_events(0);
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events[0].type, Resize);
  gui_pump_for(50);  // the toolkit's allocation follows without a second buffer change
  target = canvas_output(0);
  ASSERT_EQ(target->width, 30);
  ASSERT_EQ(target->height, 25);
  EXPECT_EQ(pixel(target, 0, 0), 0x0000FFu);
  EXPECT_EQ(pixel(target, 19, 9), 0x00FF00u);
  EXPECT_EQ(pixel(target, 20, 9), 0xFFFFFFu);
  EXPECT_EQ(pixel(target, 19, 10), 0xFFFFFFu);
  EXPECT_EQ(pixel(target, 29, 24), 0xFFFFFFu);
  gadget_resize(0, 50, Ignore, 8, Ignore);
  EXPECT_EQ(canvas_output(0)->width, 8);
  EXPECT_EQ(canvas_output(0)->height, 25);
  EXPECT_EQ(gadget_x(0), 50);
  EXPECT_EQ(gadget_y(0), 6);
}

TEST_F(Gadgets, AButtonClickPostsLeftClickButNotWhileACloseRequestWaitsNorDoesAResize) {
  ASSERT_NE(canvas_create(0, 0, 0, 20, 20), 0);
  ASSERT_NE(button_create(114, 10, 100, 200, 30, u"Übernehmen"), 0);
  gtk_button_clicked(GTK_BUTTON(gadget_widget(114)));
  EXPECT_EQ(gui_types(gadget_events(114)), std::vector<int64_t>{LeftClick});
  event_post(CloseWindow, 0, 0, 0);
  gadget_resize(0, Ignore, Ignore, 40, 40);
  gtk_button_clicked(GTK_BUTTON(gadget_widget(114)));
  auto events = gui_take_events();
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events[0].kind, CloseWindow);
  EXPECT_TRUE(gui_filter(events, Gadget).empty());
}

TEST_F(Gadgets, ImageGadgetTakesThePicturesSizeAndKeepsItsOwnReference) {
  GdkPixbuf* picture = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 32, 32);
  gdk_pixbuf_fill(picture, 0xFF0000FF);
  ASSERT_NE(image_gadget_create(100, 30, 30, 40, 40, picture, ImageGadgetBorder), 0);
  ASSERT_NE(image_gadget_create(101, 30, 80, 40, 40, nullptr, ImageGadgetBorder), 0);
  g_object_unref(picture);
  gui_pump_for(50);
  EXPECT_EQ(gadget_type(100), GadgetImageType);
  EXPECT_EQ(gadget_width(100), 32);
  EXPECT_EQ(gadget_height(100), 32);
  EXPECT_EQ(gtk_widget_get_allocated_width(gadget_widget(100)), 32);
  EXPECT_EQ(gadget_width(101), 40);
  EXPECT_EQ(gtk_widget_get_allocated_height(gadget_widget(101)), 40);
  GdkPixbuf* other = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, 24, 24);
  gui_discard_events();
  gadget_set_state(101, other);
  gadget_set_state(100, nullptr);
  gadget_set_state(5, other);  // no gadget
  g_object_unref(other);
  EXPECT_TRUE(gui_filter(gui_take_events(), Gadget).empty());
  EXPECT_EQ(gadget_width(101), 24);
}

TEST_F(Gadgets, ImageGadgetClicksOnlyWhenReleasedInsideWithTheSameButton) {
  ASSERT_NE(image_gadget_create(100, 10, 10, 40, 40, nullptr, ImageGadgetBorder), 0);
  gui_pump_for(50);
  GtkWidget* box = gadget_widget(100);
  gui_discard_events();
  gui_button(box, GDK_BUTTON_PRESS, 1, 10, 10);
  gui_button(box, GDK_BUTTON_RELEASE, 1, 60, 10, GDK_BUTTON1_MASK);  // outside
  gui_button(box, GDK_BUTTON_PRESS, 1, 10, 10);
  gui_button(box, GDK_BUTTON_RELEASE, 1, 10, -3, GDK_BUTTON1_MASK);
  gui_button(box, GDK_BUTTON_RELEASE, 1, 10, 10);  // without a press
  gui_button(box, GDK_BUTTON_PRESS, 3, 10, 10);
  gui_button(box, GDK_BUTTON_RELEASE, 1, 10, 10);  // the other button
  EXPECT_TRUE(gadget_events(100).empty());
  gui_click(box, 1, 5, 5);
  gui_click(box, 3, 5, 5);
  gui_double_click(box, 1, 5, 5);
  std::vector<int64_t> expected{LeftClick, RightClick, LeftClick, LeftDoubleClick};
  EXPECT_EQ(gui_types(gadget_events(100)), expected);
  // Dragging: DragStart once per press, past the threshold only.
  gui_button(box, GDK_BUTTON_PRESS, 1, 5, 5);
  gui_motion(box, 6, 5, GDK_BUTTON1_MASK);
  EXPECT_TRUE(gadget_events(100).empty());
  gui_motion(box, 30, 30, GDK_BUTTON1_MASK);
  gui_motion(box, 35, 35, GDK_BUTTON1_MASK);
  EXPECT_EQ(gui_types(gadget_events(100)), std::vector<int64_t>{DragStart});
}

TEST_F(Gadgets, HiddenGadgetsCanBeMovedAndSizedAndStayHidden) {
  ASSERT_NE(canvas_create(1, 0, 0, 10, 10, CanvasBorder), 0);
  ASSERT_NE(button_create(3, 10, 20, 100, 30, u"b"), 0);
  for (int gadget : {1, 3}) {
    gadget_hide(gadget, 1);
    gadget_resize(gadget, Ignore, 25, 120, Ignore);
    EXPECT_FALSE(gadget_visible(gadget));
    EXPECT_EQ(gadget_x(gadget), gadget == 1 ? 0 : 10);
    EXPECT_EQ(gadget_y(gadget), 25);
    EXPECT_EQ(gadget_width(gadget), 120);
    EXPECT_EQ(gadget_height(gadget), gadget == 1 ? 10 : 30);
  }
  gadget_resize(3, Ignore, Ignore, 0, 50);  // not both >= 1: size unchanged
  EXPECT_EQ(gadget_height(3), 30);
  gadget_hide(1, 0);
  EXPECT_TRUE(gadget_visible(1));
}

TEST_F(Gadgets, FreeingGadgetsReleasesNumbersAndDropsTheirEvents) {
  ASSERT_NE(canvas_create(0, 0, 0, 50, 50, CanvasBorder), 0);
  int dynamic = canvas_create(AnyNumber, 60, 0, 50, 50);
  ASSERT_GT(dynamic, 0);
  ASSERT_NE(button_create(5, 0, 60, 50, 20, u"x"), 0);
  gui_discard_events();
  gui_click(gadget_widget(0), 1, 3, 3);
  gui_click(gadget_widget(dynamic), 1, 3, 3);
  gadget_free(0);
  EXPECT_EQ(gadget_type(0), 0);
  EXPECT_EQ(gadget_width(0), 0);
  EXPECT_EQ(gadget_widget(0), nullptr);
  auto events = gui_filter(gui_take_events(), Gadget);
  EXPECT_EQ(events.size(), 3u);
  for (const GuiEvent& e : events) EXPECT_EQ(e.object, dynamic);
  ASSERT_NE(canvas_create(5, 0, 0, 30, 30), 0);  // the button is released first
  EXPECT_EQ(gadget_type(5), GadgetCanvasType);
  gadget_free(-1);
  EXPECT_EQ(gadget_type(5), 0);
  EXPECT_EQ(gadget_type(dynamic), 0);
  gadget_free(77);
  gadget_free(dynamic);
}

TEST(GadgetsWithoutWindow, CreationFailsWithoutAGadgetArea) {
  window_close(-1);
  EXPECT_EQ(canvas_create(0, 0, 0, 10, 10), 0);
  EXPECT_EQ(button_create(0, 0, 0, 10, 10, u"x"), 0);
  EXPECT_EQ(image_gadget_create(0, 0, 0, 10, 10, nullptr), 0);
  EXPECT_EQ(canvas_output(0), nullptr);
}

}  // namespace
