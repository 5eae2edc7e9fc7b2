// Times one map frame three ways on generated maps: the step-by-step drawing
// (compose the whole map, copy, scale, draw), draw_map, and a plain copy of the
// canvas's bytes (1286 x 775 x 3), and prints medians and their ratios. Then
// the loading and start-up figures (bench_load.h) and the export figures
// (bench_export.h).
//
// Usage: bench_draw_map [rounds [frames|load|memory|undo|export|same [width]]]
// (no display needed; frames go into a canvas-sized buffer). Without a second
// argument all tables are printed; "same" or "pan" draws only marker frames
// or panning frames (for profiling).
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/catalogs/catalogs.h"
#include "app/level/level.h"
#include "app/state/lists.h"
#include "app/state/numbers.h"
#include "app/state/program.h"
#include "app/mapview/clock.h"
#include "app/mapview/model.h"
#include "app/mapview/render.h"
#include "app/mapview/render_reference.h"
#include "app/shell/event_loop.h"
#include "app/shell/main_window.h"
#include "app/shell/startup.h"
#include "bench/bench_export.h"
#include "bench/bench_files.h"
#include "bench/bench_load.h"
#include "bench/bench_share.h"
#include "bench/bench_undo.h"
#include "runtime/core/objects.h"
#include "runtime/media/drawing.h"
#include "runtime/media/image.h"
#include "runtime/toolkit/runtime.h"

namespace {

constexpr int CanvasW = BenchCanvasW, CanvasH = BenchCanvasH;
int64_t FixedNow = 1234;
int64_t fixed_clock() { return FixedNow; }

double now_ms() {
  using namespace std::chrono;
  return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

template <class F>
double median_ms(int rounds, F f) {
  std::vector<double> times;
  for (int i = 0; i < rounds; i++) {
    double t0 = now_ms();
    f();
    times.push_back(now_ms() - t0);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

std::string temp_path(const char* ext) {
  static int counter = 0;
  return "/tmp/tavrel-bench-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + ext;
}

// A map through a picture file of the kind.
int make_map(int w, int h, MapFile kind) {
  std::string path = temp_path(".map");
  bool written = write_map_file(path, kind, w, h);
  int number = written ? image_load(AnyNumber, string_from_utf8(path)) : 0;
  unlink(path.c_str());
  return number;
}

// A picture with alpha through PNG.
int make_piece(int w, int h, int seed) {
  GdkPixbuf* p = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, w, h);
  uint8_t* px = gdk_pixbuf_get_pixels(p);
  int stride = gdk_pixbuf_get_rowstride(p);
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++) {
      uint8_t* d = px + y * stride + x * 4;
      d[0] = uint8_t(seed * 40 + x), d[1] = uint8_t(y * 7), d[2] = uint8_t(seed * 90);
      d[3] = (x < 3 || y < 3) ? 0 : uint8_t(128 + x * 4);
    }
  std::string path = temp_path(".png");
  gdk_pixbuf_save(p, path.c_str(), "png", nullptr, nullptr);
  g_object_unref(p);
  int number = image_load(AnyNumber, string_from_utf8(path));
  unlink(path.c_str());
  return number;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "start") return run_start(argv[2], &argc, &argv);
  if (argc == 5 && std::string(argv[1]) == "export-memory") return run_export_memory(argv[2], argv[3], atoi(argv[4]));
  int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 21;
  std::string part = argc > 2 ? argv[2] : "";
  // "same" or "pan": only frames of that kind, untimed (for profiling).
  bool only_same_view = part == "same", only_pan = part == "pan";
  runtime_init(&argc, &argv);
  use_png_decoder();
  use_jpeg_decoder();
  create_containers();
  if (part == "load" || part.empty()) run_load_figures(3);
  if (part == "memory" || part.empty()) run_memory_figures(TAVREL_DATA_DIR);
  if (part == "export" || part.empty()) run_export_figures(TAVREL_DATA_DIR, std::max(1, std::min(rounds, 5)));
  if (part == "load" || part == "memory" || part == "export") return 0;
  ElapsedMsSource = fixed_clock;

  for (int i = 0; i < 3; i++) {
    for (List<CatalogEntry>* c : {PlayerCatalog, GraveCatalog, TransportCatalog}) {
      list_last(c);
      list_add(c)->picture = make_piece(32, 32, i + int(list_size(c)));
    }
  }
  if (part == "undo" || part.empty()) run_undo_figures(rounds);
  if (part == "undo") return 0;
  if (part == "share" || part.empty()) {
    printf("\nThe players' view over loopback (times in ms): change: from a moved hero to its event at the\n"
           "last of the readers (median, worst; the versions are made 100 ms after a change), spread: first to\n"
           "last reader; top: share start to the top tile (kept levels built); then every tile of every level\n"
           "fetched by as many pages at once: seconds, MiB, failed requests; the event loop's longest stall\n"
           "while the levels were built and while the tiles were fetched; memory added (MiB, peak).\n");
    printf("%-11s %6s %8s %8s %8s %7s %7s %7s %7s %6s %8s %8s %8s\n", "map", "pages", "change", "worst", "spread",
           "top", "tiles", "load s", "MiB", "failed", "stall b", "stall l", "added");
    for (int width : {2000, 16384}) {
      int height = width == 2000 ? 1500 : 16384;
      int map = make_map(width, height, MapFile::Bmp);
      MapView.map_width = width, MapView.map_height = height;
      for (int i = 0; i < 20; i++) {
        List<Piece>* l = i % 3 == 0 ? Graves : i % 3 == 1 ? Transports : Heroes;
        list_last(l);
        Piece* p = list_add(l);
        p->catalog_index = i % 3;
        p->x = (i * 997) % width, p->y = (i * 613) % height;
      }
      run_share_figures(std::to_string(width) + "x" + std::to_string(height), map, 64);
      for (List<Piece>* l : {Graves, Transports, Heroes}) list_clear(l);
      image_free(map);
    }
    return 0;
  }
  MapMarker.image = make_piece(32, 32, 7);
  MapMarker.image_width = 32;
  MapMarker.image_height = 32;

  std::vector<uint8_t> canvas, copy(size_t(CanvasW) * CanvasH * 3);
  DrawTarget target;
  use_bench_canvas(canvas, target);

  double copy_ms = median_ms(rounds * 10, [&] {
    std::memcpy(copy.data(), canvas.data(), canvas.size());
    asm volatile("" : : "r"(copy.data()) : "memory");
  });

  printf("\nTimes in ms (medians). steps: the step-by-step frame; draw_map for a new view (after zooming,\n"
         "map sampled afresh), while panning (3 pixels per frame) and for the same view (marker frames);\n"
         "copy: memcpy of the canvas bytes (1286 x 775 x 3).\n");
  printf("%-10s %5s %9s %9s %9s %9s %7s %10s %10s %10s %9s %9s %9s\n", "map", "zoom", "steps", "new", "pan",
         "same", "copy", "steps/new", "steps/pan", "steps/same", "new/copy", "pan/copy", "same/copy");
  struct Size {
    int w, h;
    MapFile kind;  // BMP loads fast; RGBA needs PNG
  } sizes[] = {{2000, 1500, MapFile::Bmp},
               {4096, 4096, MapFile::Bmp},
               {8192, 4096, MapFile::Bmp},
               {16384, 16384, MapFile::PngRgb},
               {16384, 16384, MapFile::PngRgba}};
  int only_width = argc > 3 ? atoi(argv[3]) : 0;  // a third argument: only maps of this width
  for (Size s : sizes) {
    if (only_width && s.w != only_width) continue;
    int map = make_map(s.w, s.h, s.kind);
    std::string name = std::to_string(s.w) + "x" + std::to_string(s.h) + (s.kind == MapFile::PngRgba ? "a" : "");
    if (!map) {
      printf("%s: could not make the map\n", name.c_str());
      continue;
    }
    MapView.map_image = map;
    MapView.work_image = image_share(map, AnyNumber);  // as load_level makes it
    MapView.map_width = s.w;
    MapView.map_height = s.h;
    for (int zoom : {100, 50, 25}) {
      MapView.zoom = zoom;
      int64_t view_w = int64_t(CanvasW) * 100 / zoom, view_h = int64_t(CanvasH) * 100 / zoom;
      MapView.origin_x = int32_t(std::max<int64_t>(0, (s.w - view_w) / 2));
      MapView.origin_y = int32_t(std::max<int64_t>(0, (s.h - view_h) / 2));
      // 20 pieces in view, the marker in the middle of it.
      list_clear(Heroes);
      list_clear(Graves);
      list_clear(Transports);
      List<Piece>* lists[] = {Graves, Transports, Heroes};
      for (int i = 0; i < 20; i++) {
        List<Piece>* l = lists[i % 3];
        list_last(l);
        Piece* p = list_add(l);
        p->catalog_index = i % 3;
        p->x = int32_t(MapView.origin_x + (i * 97) % std::min<int64_t>(view_w, s.w));
        p->y = int32_t(MapView.origin_y + (i * 61) % std::min<int64_t>(view_h, s.h));
      }
      MapMarker.x = int32_t(MapView.origin_x + std::min<int64_t>(view_w, s.w) / 2);
      MapMarker.y = int32_t(MapView.origin_y + std::min<int64_t>(view_h, s.h) / 2);
      MapMarker.start_ms = 0;
      FixedNow = 1234;
      auto steps = [&] {
        MapMarker.active = 1;
        draw_map_reference();
      };
      // A frame of a new view (after panning or zooming: the map is sampled
      // afresh) and a frame of the same view (the marker running).
      auto fresh = [&] {
        MapMarker.active = 1;
        reset_frame_cache();
        draw_map();
      };
      auto same_view = [&] {
        MapMarker.active = 1;
        FixedNow += 20;
        if (FixedNow > 2900) FixedNow = 0;
        draw_map();
      };
      int pan_step = 0;
      auto pan = [&] {  // the pointer moves 3 pixels while panning
        MapMarker.active = 1;
        pan_step++;
        MapView.origin_x += (pan_step / 40) % 2 ? -3 : 3;
        MapView.origin_y += (pan_step / 40) % 2 ? -2 : 2;
        draw_map();
      };
      if (only_same_view || only_pan) {
        if (only_same_view) median_ms(rounds * 20, same_view);
        else median_ms(rounds * 20, pan);
        continue;
      }
      // The step-by-step frame of a huge map takes seconds: timed once.
      double steps_ms = median_ms(s.w * int64_t(s.h) > 50000000 ? 1 : std::max(3, rounds / 4), steps);
      double fresh_ms = median_ms(rounds * 4, fresh);
      double same_ms = median_ms(rounds * 4, same_view);
      double pan_ms = median_ms(rounds * 4, pan);
      printf("%-10s %5d %9.3f %9.3f %9.3f %9.3f %7.3f %10.1f %10.1f %10.1f %9.2f %9.2f %9.2f\n",
             name.c_str(), zoom, steps_ms, fresh_ms, pan_ms, same_ms,
             copy_ms, steps_ms / fresh_ms, steps_ms / pan_ms, steps_ms / same_ms, fresh_ms / copy_ms,
             pan_ms / copy_ms, same_ms / copy_ms);
      fflush(stdout);
    }
    image_free(MapView.work_image);
    image_free(map);
    MapView.work_image = MapView.map_image = 0;
  }
  return 0;
}
