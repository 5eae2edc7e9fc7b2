// Shared set-up of the map view tests: the runtime with a display, generated
// pictures, a main window with its canvases and pointer control.
#pragma once

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gdk/gdk.h>
#include <gtk/gtk.h>
#include <unistd.h>

#include <cstdint>
#include <functional>
#include <string>

#include "app/catalogs/catalogs.h"
#include "app/mapview/model.h"
#include "app/mapview/render.h"
#include "app/shell/shell.h"
#include "support/gui.h"
#include "runtime/media/drawing.h"
#include "runtime/media/image.h"
#include "runtime/toolkit/events.h"
#include "runtime/toolkit/gadgets.h"
#include "runtime/toolkit/objects.h"
#include "runtime/toolkit/runtime.h"
#include "runtime/toolkit/windows.h"

// Starts the runtime once (toolkit, tables, PNG decoder) and the formation lists.
inline void ensure_map_runtime() {
  static bool started = false;
  if (started) return;
  started = true;
  if (!runtime_has_display()) {
    static char name[] = "test_app";
    static char* args[] = {name, nullptr};
    int argc = 1;
    char** argv = args;
    runtime_init(&argc, &argv);
  }
  use_png_decoder();
  create_containers();
}

struct Rgba {
  uint8_t r, g, b, a;
};

// A new image of w x h pixels whose colours come from colour(x, y); with alpha
// it is a 32-bit image. Made through a PNG file, as the program loads them.
inline int make_image(int w, int h, bool alpha, const std::function<Rgba(int, int)>& colour) {
  GdkPixbuf* p = gdk_pixbuf_new(GDK_COLORSPACE_RGB, alpha, 8, w, h);
  uint8_t* px = gdk_pixbuf_get_pixels(p);
  int stride = gdk_pixbuf_get_rowstride(p), n = alpha ? 4 : 3;
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++) {
      Rgba c = colour(x, y);
      uint8_t* d = px + y * stride + x * n;
      d[0] = c.r, d[1] = c.g, d[2] = c.b;
      if (alpha) d[3] = c.a;
    }
  static int counter = 0;
  std::string path = "/tmp/tavrel-render-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + ".png";
  gdk_pixbuf_save(p, path.c_str(), "png", nullptr, nullptr);
  g_object_unref(p);
  int number = image_load(AnyNumber, string_from_utf8(path));
  unlink(path.c_str());
  return number;
}

// Opens the main window with the map canvas and the hidden picker canvas as
// the program does (without menus), once; returns false without a display.
inline bool ensure_main_window() {
  ensure_map_runtime();
  if (!runtime_has_display()) return false;
  if (window_handle(MainWindow)) return true;
  if (!window_open(MainWindow, 0, 0, 800, 600, u"Tavrel", 0x1E)) return false;
  MapView.canvas_width = static_cast<int32_t>(window_width(MainWindow));
  MapView.canvas_height = static_cast<int32_t>(window_height(MainWindow)) - 25;
  canvas_create(MapCanvas, 0, 0, MapView.canvas_width, MapView.canvas_height, 1);
  canvas_create(PickerCanvas, 0, 0, 10, 10, 0);
  gadget_hide(PickerCanvas, 1);
  for (int i = 0; i < 50; i++) event_poll();
  return true;
}

// Lets the toolkit handle what is pending without waiting.
inline void settle() {
  for (int i = 0; i < 200 && gtk_events_pending(); i++) gtk_main_iteration_do(FALSE);
}

// Moves the real pointer to window coordinates (x, y) of the main window's
// gadget area.
inline void warp_pointer(int64_t x, int64_t y) {
  gui_warp_pointer(static_cast<int>(window_x(MainWindow, 1) + x), static_cast<int>(window_y(MainWindow, 1) + y));
}
