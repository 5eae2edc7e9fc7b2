// Sharing the layout: the versions, the events and the answers to requests.
#include "app/share/share.h"

#include <algorithm>

#include "app/mapview/model.h"
#include "app/mapview/render.h"
#include "app/share/layout_json.h"
#include "app/share/layout_picture.h"
#include "app/share/page_files.h"
#include "app/share/tile_service.h"
#include "app/state/lists.h"
#include "app/state/program.h"
#include "runtime/media/image.h"
#include "runtime/net/addresses.h"
#include "runtime/net/http_server.h"
#include "runtime/net/loop.h"

namespace {

// Changes within this time of the first one make one version, sent when it
// is over: a change reaches the pages within 100 ms, and a drag about ten
// times a second. The view is sent as often.
constexpr int CoalesceMs = 90;
// The canvas a program without a window stands for.
constexpr int64_t FixedCanvasWidth = 1024, FixedCanvasHeight = 768;

bool running = false;
bool fixed_canvas = false;
uint64_t version = 0;
std::shared_ptr<const LayoutPicture> shown;
bool everything_changed = true;
std::vector<MapRect> changed;
uint64_t shown_signature = 0;
unsigned layout_timer = 0, view_timer = 0;
SharedView sent_view;
SharedMarker sent_marker;
std::function<void(int)> viewers_changed;
int viewers = 0;

// A cheap fingerprint of everything the players see of the layout: looked
// at after every event, so it reads numbers only (the texts change only
// with a change that LayoutChanges counts).
uint64_t signature() {
  uint64_t h = 1469598103934665603ull;
  auto mix = [&](uint64_t v) { h = (h ^ v) * 1099511628211ull; };
  mix(LayoutChanges);
  mix(static_cast<uint64_t>(MapView.map_image));
  mix(image_version(MapView.map_image));
  for (List<CatalogEntry>* catalog : {PlayerCatalog, GraveCatalog, TransportCatalog})
    walk_list(catalog, [&](CatalogEntry* entry) {
      mix(static_cast<uint64_t>(entry->picture));
      mix(image_version(entry->picture));
    });
  for (List<Piece>* list : {Graves, Transports, Heroes}) {
    mix(static_cast<uint64_t>(list_size(list)));
    walk_list(list, [&](Piece* p) {
      mix(static_cast<uint64_t>(p->catalog_index));
      mix(static_cast<uint64_t>(static_cast<uint32_t>(p->x)) << 32 | static_cast<uint32_t>(p->y));
      mix(static_cast<uint64_t>(p->inscription));
    });
  }
  return h;
}

SharedView current_view() {
  SharedView v;
  v.zoom = view_zoom();
  int64_t canvas_width = fixed_canvas ? FixedCanvasWidth : MapView.canvas_width;
  int64_t canvas_height = fixed_canvas ? FixedCanvasHeight : MapView.canvas_height;
  v.x = fixed_canvas ? 0 : MapView.origin_x;
  v.y = fixed_canvas ? 0 : MapView.origin_y;
  v.x = std::clamp<int64_t>(v.x, 0, std::max<int64_t>(MapView.map_width, 0));
  v.y = std::clamp<int64_t>(v.y, 0, std::max<int64_t>(MapView.map_height, 0));
  v.width = std::clamp<int64_t>(canvas_width * 100 / v.zoom, 0, std::max<int64_t>(MapView.map_width - v.x, 0));
  v.height = std::clamp<int64_t>(canvas_height * 100 / v.zoom, 0, std::max<int64_t>(MapView.map_height - v.y, 0));
  return v;
}

SharedMarker current_marker() {
  SharedMarker m;
  if (fixed_canvas || !MapMarker.active) return m;
  m.shown = true;
  m.x = MapMarker.x;
  m.y = MapMarker.y;
  return m;
}

void publish() {
  shown_signature = signature();
  std::shared_ptr<const LayoutPicture> layout = capture_layout();
  if (!layout) return;  // no map: the pages keep what they show
  if (shown && same_layout(*shown, *layout)) return;
  version++;
  if (shown && shown->map_image == layout->map_image && shown->map.pixels == layout->map.pixels &&
      shown->map_version == layout->map_version && shown->width() == layout->width() &&
      shown->height() == layout->height()) {
    everything_changed = false;
    changed = changed_rects(*shown, *layout);
    tiles_update(layout, version, changed);
  } else {
    everything_changed = true;
    changed.clear();
    tiles_reset(layout, version);
  }
  shown = layout;
  http_events_send(0, "layout", version_json(version));
}

void send_view() {
  SharedView view = current_view();
  if (view == sent_view) return;
  sent_view = view;
  http_events_send(0, "view", view_json(view));
}

void reply_text(HttpRequestId id, int status, const std::string& text) {
  http_reply(id, status, "text/plain; charset=utf-8", text);
}

void on_request(HttpRequestId id, const std::string& path, const std::string&) {
  // When another level was loaded meanwhile, its layout goes out first:
  // no request is answered with the map that is gone.
  if (shown && !layout_map_current(*shown)) publish();
  if (const PageFile* file = page_file(path)) {
    http_reply(id, 200, file->content_type, std::string(reinterpret_cast<const char*>(file->data), file->size));
  } else if (path == "layout.json") {
    if (!shown) {
      reply_text(id, 503, "Keine Karte geladen\n");
      return;
    }
    http_reply(id, 200, "application/json",
               layout_json(version, *shown, current_view(), current_marker(), everything_changed, changed));
  } else if (path == "events") {
    http_reply_events(id);
  } else if (path == "map.png") {
    map_png_request(id);
  } else if (!tiles_request(id, path)) {
    http_reply_not_found(id);
  }
}

}  // namespace

bool share_start(int port, bool fixed, std::string* error) {
  if (running) return true;
  HttpHandlers handlers;
  handlers.request = on_request;
  handlers.drained = map_png_drained;
  handlers.gone = map_png_gone;
  handlers.streams_changed = [](int streams) {
    viewers = streams;
    if (viewers_changed) viewers_changed(streams);
  };
  int first = port > 0 ? port : ShareFirstPort, last = port > 0 ? port : ShareLastPort;
  if (!http_server_start(first, last, handlers, error)) return false;
  running = true;
  fixed_canvas = fixed;
  version = 0;
  shown.reset();
  viewers = 0;
  sent_view = current_view();
  sent_marker = current_marker();
  publish();
  return true;
}

void share_stop() {
  if (!running) return;
  timer_stop(layout_timer);
  timer_stop(view_timer);
  layout_timer = view_timer = 0;
  http_server_stop();
  tiles_stop();
  shown.reset();
  running = false;
  viewers = 0;
  if (viewers_changed) viewers_changed(0);
}

bool share_running() { return running; }

std::string share_address() { return running ? http_server_address(net_primary_address()) : std::string(); }

std::vector<std::string> share_other_addresses() {
  std::vector<std::string> others;
  if (!running) return others;
  std::vector<std::string> all = net_local_addresses();
  for (size_t i = 1; i < all.size(); i++) others.push_back(http_server_address(all[i]));
  return others;
}

int share_viewers() { return viewers; }

void share_on_viewers(std::function<void(int)> changed_fn) { viewers_changed = std::move(changed_fn); }

void share_tick() {
  if (!running) return;
  uint64_t now = signature();
  if (now != shown_signature && !layout_timer) {
    layout_timer = timer_start(CoalesceMs, [] {
      layout_timer = 0;
      publish();
      return false;
    });
  }
  if (!(current_view() == sent_view) && !view_timer) {
    view_timer = timer_start(CoalesceMs, [] {
      view_timer = 0;
      send_view();
      return false;
    });
  }
  SharedMarker marker = current_marker();
  if (!(marker == sent_marker)) {
    sent_marker = marker;
    http_events_send(0, "marker", marker_json(marker));
  }
}

void share_publish_now() {
  if (!running) return;
  publish();
  send_view();
}

uint64_t share_version() { return version; }
