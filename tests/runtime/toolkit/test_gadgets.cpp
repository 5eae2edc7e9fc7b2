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

// A canvas pixel as 0xBBGGRR.
uint32_t colour(int canvas, int x, int y) {
  uint8_t* p = canvas_output(canvas)->pixels + y * canvas_output(canvas)->stride + x * 3;
  return p[0] | p[1] << 8 | p[2] << 16;
}

TEST_F(Gadgets, CanvasMouseEventsInOrder) {
  ASSERT_NE(canvas_create(0, 0, 0, 200, 100, CanvasBorder), 0);
  GtkWidget* canvas = gadget_widget(0);
  gui_double_click(canvas, 1, 30, 40);
  auto events = gadget_events(0);
  EXPECT_EQ(gui_types(events), (std::vector<int64_t>{LeftButtonDown, LeftButtonUp, LeftClick, LeftButtonDown,
                                                      LeftDoubleClick, LeftButtonUp, LeftClick}));
  for (const GuiEvent& e : events) EXPECT_TRUE(e.window == 0 && e.has_mouse && e.mouse.x == 30 && e.mouse.y == 40);
  gui_click(canvas, 3, 5, 6);
  gui_click(canvas, 2, 5, 6);
  gui_button(canvas, GDK_2BUTTON_PRESS, 3, 5, 6);
  gui_button(canvas, GDK_2BUTTON_PRESS, 2, 5, 6);  // nothing
  gui_scroll(canvas, GDK_SCROLL_UP, 1, 1);
  gui_scroll(canvas, GDK_SCROLL_LEFT, 1, 1);  // nothing
  gui_crossing(canvas, true, 0, 0);
  gui_motion(canvas, 12, 34);
  gui_motion(canvas, 13, 35);  // collapses into the move before
  gui_scroll(canvas, GDK_SCROLL_DOWN, 1, 1);
  gui_crossing(canvas, false, 0, 0);
  events = gui_filter(gui_take_events(), Gadget, 0);
  ASSERT_EQ(gui_types(events), (std::vector<int64_t>{RightButtonDown, RightButtonUp, RightClick, MiddleButtonDown,
                                                      MiddleButtonUp, RightDoubleClick, MouseWheel, MouseEnter,
                                                      MouseMove, MouseWheel, MouseLeave}));
  EXPECT_EQ(events[6].mouse.wheel * 10 + events[9].mouse.wheel, 9);
  EXPECT_EQ(events[8].mouse.x, 12);
}

TEST_F(Gadgets, CanvasBuffersFollowBorderAndSize) {
  ASSERT_NE(canvas_create(0, 5, 6, 10, 10, CanvasBorder), 0);
  ASSERT_NE(canvas_create(2, 40, 0, 1, 1, CanvasBorder), 0);
  DrawTarget* bordered = canvas_output(0);
  EXPECT_TRUE(bordered->width < 10 && bordered->height < 10 && bordered->bytes_per_pixel == 3);
  EXPECT_EQ(canvas_output(2)->width * canvas_output(2)->height, 1);
  gui_pump_for(50);
  EXPECT_EQ(gtk_widget_get_allocated_width(gtk_widget_get_parent(gadget_widget(0))), 10);  // the frame

  // A resized canvas gets a buffer of the new size, white where it grew.
  ASSERT_NE(canvas_create(1, 5, 6, 20, 10), 0);
  gui_discard_events();
  gadget_resize(1, Ignore, Ignore, 30, 25);
  EXPECT_EQ(gui_types(gadget_events(1)), std::vector<int64_t>{Resize});
  gui_pump_for(50);  // the toolkit's allocation follows without a second buffer change
  ASSERT_EQ(canvas_output(1)->width * 100 + canvas_output(1)->height, 3025);
  EXPECT_EQ(colour(1, 29, 24), 0xFFFFFFu);
  gadget_resize(1, 50, Ignore, 8, Ignore);
  EXPECT_EQ(std::vector<int64_t>({canvas_output(1)->width, canvas_output(1)->height, gadget_x(1), gadget_y(1)}),
            std::vector<int64_t>({8, 25, 50, 6}));

  // A hidden gadget is moved and sized and stays hidden.
  gadget_hide(0, 1);
  gadget_resize(0, Ignore, 25, 120, Ignore);
  EXPECT_FALSE(gadget_visible(0));
  EXPECT_EQ(std::vector<int64_t>({gadget_x(0), gadget_y(0), gadget_width(0), gadget_height(0)}),
            std::vector<int64_t>({5, 25, 120, 10}));
}

TEST_F(Gadgets, ButtonsAndImageGadgetsClick) {
  ASSERT_NE(button_create(114, 10, 100, 200, 30, u"Übernehmen"), 0);
  gtk_button_clicked(GTK_BUTTON(gadget_widget(114)));
  EXPECT_EQ(gui_types(gadget_events(114)), std::vector<int64_t>{LeftClick});
  event_post(CloseWindow, 0, 0, 0);
  gtk_button_clicked(GTK_BUTTON(gadget_widget(114)));  // not while a close request waits
  EXPECT_TRUE(gadget_events(114).empty());

  GdkPixbuf* picture = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 32, 32);
  ASSERT_NE(image_gadget_create(100, 30, 30, 40, 40, picture, ImageGadgetBorder), 0);
  g_object_unref(picture);
  gui_pump_for(50);
  EXPECT_EQ(gadget_width(100) * 1000 + gtk_widget_get_allocated_height(gadget_widget(100)), 32032);
  GtkWidget* box = gadget_widget(100);
  gui_discard_events();
  gui_button(box, GDK_BUTTON_PRESS, 1, 10, 10);
  gui_button(box, GDK_BUTTON_RELEASE, 1, 60, 10, GDK_BUTTON1_MASK);  // outside
  gui_button(box, GDK_BUTTON_RELEASE, 1, 10, 10);  // without a press
  gui_button(box, GDK_BUTTON_PRESS, 3, 10, 10);
  gui_button(box, GDK_BUTTON_RELEASE, 1, 10, 10);  // the other button
  EXPECT_TRUE(gadget_events(100).empty());
  gui_click(box, 1, 5, 5);
  gui_click(box, 3, 5, 5);
  gui_double_click(box, 1, 5, 5);
  EXPECT_EQ(gui_types(gadget_events(100)), (std::vector<int64_t>{LeftClick, RightClick, LeftClick, LeftDoubleClick}));

  // Freeing a gadget drops its queued events and frees its number; -1 frees all.
  gui_click(box, 1, 5, 5);
  gtk_button_clicked(GTK_BUTTON(gadget_widget(114)));
  gadget_free(100);
  EXPECT_EQ(gui_filter(gui_take_events(), Gadget).size() * 1000 + gadget_type(100), 1000u);
  ASSERT_NE(canvas_create(114, 0, 0, 30, 30), 0);  // the button is released first
  EXPECT_EQ(gadget_type(114), GadgetCanvasType);
  gadget_free(-1);
  EXPECT_EQ(gadget_type(114), 0);
}

}  // namespace
