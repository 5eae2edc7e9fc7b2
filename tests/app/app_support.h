// Shared set-up of the application tests: what start-up prepares, pictures, a temporary program
// directory, requesters answered without dialogs, the main window with the real pointer over it.
#pragma once

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>
#include <json-glib/json-glib.h>
#include <unistd.h>

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/catalogs/catalogs.h"
#include "app/export/export_picture.h"
#include "app/level/level.h"
#include "app/state/lists.h"
#include "app/state/numbers.h"
#include "app/state/program.h"
#include "app/mapview/clock.h"
#include "app/mapview/model.h"
#include "app/mapview/mouse.h"
#include "app/mapview/picker.h"
#include "app/mapview/render.h"
#include "app/shell/event_loop.h"
#include "app/shell/main_window.h"
#include "app/shell/startup.h"
#include "runtime/core/objects.h"
#include "runtime/media/image.h"
#include "runtime/toolkit/events.h"
#include "runtime/toolkit/gadgets.h"
#include "runtime/toolkit/requesters.h"
#include "runtime/toolkit/runtime.h"
#include "runtime/toolkit/windows.h"
#include "support/gui.h"
#include "support/temp_dir.h"

// The PNG decoder and the lists (the test main has started the runtime).
inline void ensure_app() {
  static bool done = (use_png_decoder(), create_containers(), true);
  (void)done;
}

// An empty formation and catalogs, a default view, no label, marker, interaction or change, the real clock.
inline void fresh_state() {
  ensure_app();
  MapView = MapViewRecord();
  for (List<Piece>* list : {Heroes, Graves, Transports}) list_clear(list);
  for (List<CatalogEntry>* list : {PlayerCatalog, GraveCatalog, TransportCatalog}) list_clear(list);
  list_clear(Trails);
  for (String& text : Inscriptions) text.clear();
  HoverLabel = HoverLabelRecord();
  MapMarker = MapMarkerRecord();
  InteractionMode = Interaction::None, UnsavedChanges = 0, PanStart = PanStartRecord();
  ElapsedMsSource = nullptr;
  MapTargetOverride = nullptr;
}

struct Rgba { uint8_t r, g, b, a; };

// A PNG of w x h pixels coloured by colour(x, y), RGBA with alpha.
inline void save_picture(const std::string& path, int w, int h, bool alpha,
                         const std::function<Rgba(int, int)>& colour) {
  GdkPixbuf* p = gdk_pixbuf_new(GDK_COLORSPACE_RGB, alpha, 8, w, h);
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++) {
      Rgba c = colour(x, y);
      uint8_t* d = gdk_pixbuf_get_pixels(p) + y * gdk_pixbuf_get_rowstride(p) + x * (alpha ? 4 : 3);
      d[0] = c.r, d[1] = c.g, d[2] = c.b;
      if (alpha) d[3] = c.a;
    }
  gdk_pixbuf_save(p, path.c_str(), "png", nullptr, nullptr);
  g_object_unref(p);
}

// The picture as a new image, loaded from a PNG file as the program loads them.
inline int make_image(int w, int h, bool alpha, const std::function<Rgba(int, int)>& colour) {
  ensure_app();
  static int counter = 0;
  std::string path = "/tmp/tavrel-app-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + ".png";
  save_picture(path, w, h, alpha, colour);
  int number = image_load(AnyNumber, string_from_utf8(path));
  unlink(path.c_str());
  return number;
}

// A scratch directory with "pics" and "players", ProgramDir while it lives.
struct TempProgramDir : TempDir {
  String saved = ProgramDir;
  TempProgramDir() {
    ensure_app();
    for (const char* folder : {"pics", "players"}) std::filesystem::create_directories(path(folder));
    ProgramDir = string_from_utf8(path(""));
  }
  ~TempProgramDir() { ProgramDir = saved; }
  void picture(const std::string& name, int w, int h) const {
    save_picture(path(name), w, h, false, [](int, int) { return Rgba{128, 128, 128, 255}; });
  }
};

// Requesters answered with answer (input and file requesters: the texts in order, then ""); calls kept.
struct RequesterLog {
  std::vector<RequesterCall> calls;
  int answer = ResultNo;
  std::deque<String> texts;
  RequesterLog() {
    requester_set_hook([this](const RequesterCall& call) {
      calls.push_back(call);
      bool takes = call.kind != RequesterKind::Message && !texts.empty();
      String text = takes ? texts.front() : u"";
      if (takes) texts.pop_front();
      return RequesterAnswer{answer, text};
    });
  }
  ~RequesterLog() { requester_set_hook(nullptr); }
};

// The program's main window, opened once and kept open; false without a display.
inline bool ensure_main_window() {
  ensure_app();
  if (!runtime_has_display()) return false;
  if (!window_handle(MainWindow) && open_main_window()) gui_pump_for(500);  // placed before the pointer moves
  return window_handle(MainWindow) != 0;
}

// The real pointer to (x, y) of the main window's gadget area, again until the window reads it there.
inline void warp_pointer(int64_t x, int64_t y) {
  for (int attempt = 0; attempt < 20; attempt++) {
    gui_warp_pointer(static_cast<int>(window_x(MainWindow, 1) + x), static_cast<int>(window_y(MainWindow, 1) + y));
    auto arrived = [&] {
      return (x < 0 || window_mouse_x(MainWindow) == x) && (y < 0 || window_mouse_y(MainWindow) == y);
    };
    if (gui_wait_until(arrived, 100)) return;
  }
}

// Dispatches what is pending as the event loop would, then (kind not 0) posts one event and dispatches it.
inline void send(int64_t kind, int64_t object, int64_t type) {
  for (int i = 0, pending; i < 1000 && (pending = int(event_poll())) != 0; i++) dispatch_event(pending);
  if (kind == 0) return;
  event_post(static_cast<int>(kind), object, MainWindow, type);
  EXPECT_EQ(event_wait(), kind);
  dispatch_event(kind);
}
inline void menu(int number) { send(Menu, number, 0); }

using XY = std::pair<int64_t, int64_t>;
inline XY xy(const Piece* p) { return {int64_t{p->x}, int64_t{p->y}}; }  // packed fields: copied, not bound

inline Piece* put_piece(List<Piece>* list, int32_t x, int32_t y, int32_t inscription = 0, int32_t catalog_index = 0) {
  list_last(list);
  Piece* p = list_add(list);
  p->catalog_index = catalog_index, p->x = x, p->y = y, p->inscription = inscription;
  return p;
}

// The values a JSONPath query finds in json, joined by ","; "?" for what is not a value.
inline std::string json_at(const std::string& json, const char* path) {
  JsonParser* parser = json_parser_new();
  std::string values = "unreadable";
  if (json_parser_load_from_data(parser, json.c_str(), -1, nullptr)) {
    JsonNode* found = json_path_query(path, json_parser_get_root(parser), nullptr);
    JsonArray* all = json_node_get_array(found);
    values.clear();
    for (guint i = 0; i < json_array_get_length(all); i++) {
      JsonNode* v = json_array_get_element(all, i);
      values += i ? "," : "";
      values += !JSON_NODE_HOLDS_VALUE(v)                         ? "?"
                : json_node_get_value_type(v) == G_TYPE_STRING ? json_node_get_string(v)
                                                                 : std::to_string(json_node_get_int(v));
    }
    json_node_unref(found);
  }
  g_object_unref(parser);
  return values;
}

// R G B rows of a picture, which is freed; none unless it has 3 bytes a pixel.
inline std::vector<uint8_t> rgb_of(int image, int* w = nullptr, int* h = nullptr) {
  const DrawTarget* v = image ? image_view(image) : nullptr;
  std::vector<uint8_t> out;
  for (int y = 0; v && v->bytes_per_pixel == 3 && y < v->height; y++)
    out.insert(out.end(), v->pixels + y * v->stride, v->pixels + y * v->stride + v->width * 3);
  if (w) *w = v ? int(v->width) : 0, *h = v ? int(v->height) : 0;
  if (image) image_free(image);
  return out;
}
inline std::vector<uint8_t> rgb_of_png(const std::string& png, int* w = nullptr, int* h = nullptr) {
  return rgb_of(image_load_memory(AnyNumber, png.data(), png.size()), w, h);
}
// The export of the whole map at 100 %, as R G B rows.
inline std::vector<uint8_t> exported_rgb(int* w = nullptr, int* h = nullptr) {
  std::string png;
  EXPECT_TRUE(write_map_png(ExportOptions(), [&](const uint8_t* d, size_t n) {
    return png.append(reinterpret_cast<const char*>(d), n), true;
  }));
  return rgb_of_png(png, w, h);
}
