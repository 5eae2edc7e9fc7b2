#include "bench/bench_undo.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/history/undo.h"
#include "app/recovery/recovery.h"
#include "app/mapview/model.h"
#include "app/mapview/render.h"
#include "app/state/lists.h"
#include "app/state/program.h"
#include "bench/bench_files.h"
#include "bench/bench_load.h"
#include "runtime/core/objects.h"
#include "runtime/data/directory.h"
#include "runtime/media/drawing.h"
#include "runtime/media/image.h"

namespace {

// Longer than the recovery file's pause after a change.
constexpr int QuietWaitUs = 600 * 1000;

double now_ms() {
  using namespace std::chrono;
  return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

// The median of the times of rounds calls of each of the two actions, run
// one after the other.
template <class A, class B>
std::pair<double, double> medians(int rounds, A a, B b) {
  std::vector<double> ta, tb;
  for (int i = 0; i < rounds; i++) {
    double t0 = now_ms();
    a();
    double t1 = now_ms();
    b();
    ta.push_back(t1 - t0);
    tb.push_back(now_ms() - t1);
  }
  std::sort(ta.begin(), ta.end());
  std::sort(tb.begin(), tb.end());
  return {ta[ta.size() / 2], tb[tb.size() / 2]};
}

Piece* add(List<Piece>* list, int32_t x, int32_t y) {
  list_last(list);
  Piece* p = list_add(list);
  p->x = x, p->y = y;
  return p;
}

void largest_formation() {
  MapView.player_size = 32, MapView.tile_x = MapView.tile_y = 40;
  for (int i = 0; i < 127; i++) {
    Piece* hero = add(Heroes, 25 + i * 15, 20);
    hero->catalog_index = i % 3;
    Trail* trail = (list_last(Trails), list_add(Trails));
    for (int j = 0; j < TrailLength; j++) trail->points[j] = TrailPoint{hero->x + 16, 36 + 8 * j};
    Piece* transport = add(Transports, 100 + i * 10, 400);
    transport->inscription = i + 1;
    if (i < 21) {  // six transports for each of the first 21 heroes
      for (int s = 0; s < MaxConvoy; s++) hero->links[s] = static_cast<int8_t>(i * MaxConvoy + s + 1);
    }
  }
  for (int i = 0; i < 126; i++) list_select(Transports, i)->links[0] = static_cast<int8_t>(i / MaxConvoy + 1);
  for (int i = 0; i < 1000; i++) add(Graves, (i * 37) % 1900, (i * 53) % 1400)->inscription = 128 + i % 128;
  for (int i = 1; i < InscriptionCount; i++) Inscriptions[i] = String(32767, char16_t(u'A' + i % 26));
}

}  // namespace

void run_undo_figures(int rounds) {
  // One frame of panning the demo-sized map with 20 pieces, as the frame table measures it.
  std::string path = "/tmp/tavrel-bench-undo-" + std::to_string(getpid()) + ".bmp";
  write_map_file(path, MapFile::Bmp, 2000, 1500);
  MapView.map_image = image_load(AnyNumber, string_from_utf8(path));
  unlink(path.c_str());
  MapView.work_image = image_share(MapView.map_image, AnyNumber);
  MapView.map_width = 2000, MapView.map_height = 1500, MapView.zoom = 100;
  std::vector<uint8_t> canvas;
  DrawTarget target;
  use_bench_canvas(canvas, target);
  for (int i = 0; i < 20; i++) add(i % 2 ? Graves : Transports, 300 + (i * 97) % 1286, 300 + (i * 61) % 775);
  int step = 0;
  auto pan = [&] {
    step++;
    MapView.origin_x = 300 + ((step / 40) % 2 ? -3 : 3) * (step % 40);
    draw_map();
  };
  for (int i = 0; i < 200; i++) pan();
  std::vector<double> pans;
  for (int i = 0; i < rounds * 20; i++) {
    double t0 = now_ms();
    pan();
    pans.push_back(now_ms() - t0);
  }
  std::sort(pans.begin(), pans.end());
  double pan_ms = pans[pans.size() / 2];

  for (List<Piece>* list : {Heroes, Graves, Transports}) list_clear(list);
  list_clear(Trails);
  largest_formation();
  history_reset();
  printf("\nUndo and redo on the largest formation (255 texts of 32767 units, 127 heroes and transports,\n"
         "1000 graves), medians in ms, against one frame of panning (%.3f ms):\n", pan_ms);
  printf("%-34s %9s %9s %9s %9s\n", "step", "undo", "redo", "undo/pan", "redo/pan");
  auto row = [&](const char* name, auto change) {
    change();
    note_change();
    history_record();
    auto [undo, redo] = medians(rounds, [] { undo_step(); }, [] { redo_step(); });
    printf("%-34s %9.3f %9.3f %9.1f %9.1f\n", name, undo, redo, undo / pan_ms, redo / pan_ms);
  };
  row("a hero dragged (convoy of six)", [] {
    Piece* hero = list_select(Heroes, 0);
    hero->x += 200;
    record_trail(hero, list_select(Trails, 0));
  });
  row("a grave set with its text", [] {
    add(Graves, 50, 50)->inscription = 0;
  });
  row("every text replaced (a load)", [] {
    for (int i = 1; i < InscriptionCount; i++) Inscriptions[i] = String(32767, char16_t(u'a' + i % 26));
  });
  printf("history: %zu steps, %.1f MiB\n", history_steps(), history_bytes() / 1048576.0);

  // The recovery file of the same formation: the longest time the event
  // loop spends on a change (recording it, and handing the write to the
  // writing thread), and how long the thread then takes.
  std::string state = temp_folder("state");
  setenv("XDG_STATE_HOME", state.c_str(), 1);
  recovery_start();
  double recording = 0, handing = 0, writing = 0;
  for (int i = 0; i < rounds; i++) {
    int64_t writes = recovery_writes();
    double t0 = now_ms();
    add(Graves, i, i);
    note_change();
    history_record();
    double t1 = now_ms();
    recovery_tick();
    double t2 = now_ms();
    usleep(QuietWaitUs);
    double t3 = now_ms();
    recovery_tick();
    double t4 = now_ms();
    while (recovery_writes() == writes) usleep(500);
    recording = std::max(recording, t1 - t0);
    handing = std::max({handing, t2 - t1, t4 - t3});
    writing = std::max(writing, now_ms() - t3);
  }
  printf("recovery file (%.1f MiB), longest times on the event loop for a change: recording it %.3f ms "
         "(%.1f frames of panning), handing the write to its thread %.3f ms (%.2f frames); writing on "
         "that thread up to %.0f ms\n",
         file_size(recovery_path()) / 1048576.0, recording, recording / pan_ms, handing, handing / pan_ms, writing);
  recovery_discard();
  remove_folder(state);
  image_free(MapView.work_image);
  image_free(MapView.map_image);
  MapView.work_image = MapView.map_image = 0;
}
