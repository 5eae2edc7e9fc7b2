// Canvases, push buttons and image gadgets under a real display.
#include <gtest/gtest.h>

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
  void TearDown() override { window_close(-1), gui_discard_events(); }
};

// The events of gadget 0, without enter/leave noise from the real pointer.
std::vector<GuiEvent> canvas_events() {
  std::vector<GuiEvent> out;
  for (const GuiEvent& e : gui_take_events())
    if (e.kind == Gadget && e.object == 0 && e.type != MouseEnter && e.type != MouseLeave) out.push_back(e);
  return out;
}

TEST_F(Gadgets, CanvasMouseEventsInOrder) {
  ASSERT_NE(canvas_create(0, 0, 0, 200, 100, CanvasBorder), 0);
  GtkWidget* canvas = gadget_widget(0);
  gui_click(canvas, 1, 30, 40, true);
  gui_click(canvas, 3, 5, 6);
  gui_button(canvas, GDK_2BUTTON_PRESS, 2, 5, 6);  // nothing
  gui_scroll(canvas, GDK_SCROLL_UP, 1, 1);
  gui_scroll(canvas, GDK_SCROLL_LEFT, 1, 1);  // nothing
  gui_motion(canvas, 12, 34);
  gui_motion(canvas, 13, 35);  // collapses into the move before
  gui_scroll(canvas, GDK_SCROLL_DOWN, 1, 1);
  std::string got;
  for (const GuiEvent& e : canvas_events())
    got += std::to_string(e.type) + (e.window == 0 && e.has_mouse ? "" : "?") + "@" + std::to_string(e.mouse.x) +
           "," + std::to_string(e.mouse.y) + (e.type == MouseWheel ? "w" + std::to_string(e.mouse.wheel) : "") + " ";
  std::string expected;
  for (int64_t type :
       {LeftButtonDown, LeftButtonUp, LeftClick, LeftButtonDown, LeftDoubleClick, LeftButtonUp, LeftClick})
    expected += std::to_string(type) + "@30,40 ";
  for (int64_t type : {RightButtonDown, RightButtonUp, RightClick}) expected += std::to_string(type) + "@5,6 ";
  expected += std::to_string(MouseWheel) + "@1,1w1 " + std::to_string(MouseMove) + "@12,34 " +
              std::to_string(MouseWheel) + "@1,1w-1 ";
  EXPECT_EQ(got, expected);
}

// A resized canvas gets a buffer of the new size at once (a larger window
// shows more map, end to end); a freed gadget's events are dropped.
TEST_F(Gadgets, CanvasBuffersFollowTheSizeAndFreedGadgetsPostNothing) {
  ASSERT_NE(canvas_create(1, 5, 6, 20, 10), 0);
  gui_discard_events();
  gadget_resize(1, Ignore, Ignore, 30, 25);
  EXPECT_EQ(gui_types(gui_take_events(), Gadget, 1), std::vector<int64_t>{Resize});
  gui_pump_for(50);
  EXPECT_EQ(canvas_output(1)->width * 100 + canvas_output(1)->height, 3025);

  ASSERT_NE(button_create(114, 10, 100, 200, 30, u"Übernehmen"), 0);
  ASSERT_NE(canvas_create(100, 0, 0, 30, 30), 0);
  gui_click(gadget_widget(100), 1, 5, 5);
  gtk_button_clicked(GTK_BUTTON(gadget_widget(114)));
  gadget_free(100);
  auto events = gui_take_events();
  EXPECT_TRUE(gui_types(events, Gadget, 100).empty());
  EXPECT_EQ(gui_types(events, Gadget, 114), std::vector<int64_t>{LeftClick});  // the button's click
  EXPECT_EQ(gadget_type(100), 0);
  ASSERT_NE(canvas_create(114, 0, 0, 30, 30), 0);  // the button is released first
  EXPECT_EQ(gadget_type(114), GadgetCanvasType);
  gadget_free(-1);
  EXPECT_EQ(gadget_type(114), 0);
}

}  // namespace
