// Serving the tiles and the whole picture.
#include "app/share/tile_service.h"

#include <algorithm>
#include <list>
#include <map>
#include <tuple>

#include "app/mapview/model.h"
#include "runtime/media/png_writer.h"
#include "runtime/net/loop.h"

namespace {

// Time the event loop gives the kept levels at a time.
constexpr int64_t WorkSliceUs = 3000;
// Rows of the whole picture composed at once, at most this many bytes.
constexpr int64_t MapBandBytes = int64_t{1} << 20;
// A stream of the whole picture waits while this much is not yet sent.
constexpr size_t MapBacklogBytes = size_t{4} << 20;
// Longest path of a tile: "tiles/" and three numbers.
constexpr size_t TilePathLimit = 40;

using TileKey = std::tuple<int, int64_t, int64_t>;

struct CachedTile {
  std::string png;
  uint64_t version = 0;
  std::list<TileKey>::iterator age;
};

struct Encoding {
  uint64_t version = 0;
  bool stale = false;  // the layout changed there while it was encoded
  std::vector<HttpRequestId> waiting;
};

struct MapStream {
  std::shared_ptr<const LayoutPicture> layout;
  PngWriter* writer = nullptr;
  std::string out;  // encoded, not yet handed to the server
  int64_t next_row = 0;
  bool encoding = false, gone = false;
  bool finished = false, failed = false;  // set by the encoding thread
  uint64_t version = 0;
};

TilePyramid pyramid;
uint64_t shown_version = 0;
unsigned work_source = 0;
std::map<TileKey, CachedTile> cache;
std::list<TileKey> ages;  // most recently used first
int64_t cache_bytes = 0;
// The encodings under way; an encoding made stale by a change answers the
// requests it has and is replaced for later ones.
std::map<TileKey, std::shared_ptr<Encoding>> encodings;
std::vector<std::pair<HttpRequestId, TileKey>> waiting_for_levels;
std::map<HttpRequestId, std::shared_ptr<MapStream>> streams;

std::vector<std::pair<std::string, std::string>> version_header(uint64_t version) {
  return {{"X-Layout-Version", std::to_string(version)}};
}

// The part of level 0 a tile covers.
MapRect tile_area(const TileKey& key) {
  auto [level, x, y] = key;
  int64_t size = TileSize << level;
  return MapRect{x * size, y * size, size, size};
}

bool meets(const MapRect& a, const MapRect& b) {
  return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

void forget_cached(std::map<TileKey, CachedTile>::iterator it) {
  cache_bytes -= static_cast<int64_t>(it->second.png.size());
  ages.erase(it->second.age);
  cache.erase(it);
}

void remember(const TileKey& key, std::string png, uint64_t version) {
  auto it = cache.find(key);
  if (it != cache.end()) forget_cached(it);
  if (static_cast<int64_t>(png.size()) > TileCacheBytes) return;
  ages.push_front(key);
  cache_bytes += static_cast<int64_t>(png.size());
  cache[key] = CachedTile{std::move(png), version, ages.begin()};
  while (cache_bytes > TileCacheBytes) forget_cached(cache.find(ages.back()));
}

void reply_png(HttpRequestId id, const std::string& png, uint64_t version) {
  http_reply(id, 200, "image/png", png, version_header(version));
}

// Composes the tile now (a few milliseconds at most) and encodes it on a
// background thread; every request for it meanwhile waits for that.
void encode_tile(HttpRequestId id, const TileKey& key) {
  auto found = encodings.find(key);
  if (found != encodings.end() && !found->second->stale) {
    found->second->waiting.push_back(id);
    return;
  }
  auto pixels = std::make_shared<std::vector<uint8_t>>();
  int64_t width = 0, height = 0;
  auto [level, x, y] = key;
  std::shared_ptr<const LayoutPicture> layout = pyramid.layout();
  if (!layout || !tile_size(layout->width(), layout->height(), level, x, y, &width, &height)) {
    http_reply_not_found(id);
    return;
  }
  // Kept levels are copied here; the others are composed with the encoding.
  if (level >= 2) pyramid.tile(level, x, y, pixels.get(), &width, &height);
  else pixels.reset();
  auto encoding = std::make_shared<Encoding>();
  encoding->version = shown_version;
  encoding->waiting.push_back(id);
  encodings[key] = encoding;
  auto png = std::make_shared<std::string>();
  background_run(
      [layout, key, pixels, width, height, png] {
        std::vector<uint8_t> composed;
        const std::vector<uint8_t>* rgb = pixels.get();
        if (!rgb) {
          compose_tile(*layout, std::get<0>(key), std::get<1>(key), std::get<2>(key), &composed);
          rgb = &composed;
        }
        PngWriter* writer = png_writer_start(width, height, {}, [&](const uint8_t* data, size_t size) {
          png->append(reinterpret_cast<const char*>(data), size);
          return true;
        });
        std::vector<const uint8_t*> rows(height);
        for (int64_t i = 0; i < height; i++) rows[i] = rgb->data() + i * width * 3;
        bool ok = png_writer_rows(writer, rows.data(), height);
        if (!png_writer_finish(writer) || !ok) png->clear();
      },
      [key, png, encoding] {
        auto it = encodings.find(key);
        if (it != encodings.end() && it->second == encoding) encodings.erase(it);
        for (HttpRequestId waiting : encoding->waiting) {
          if (png->empty()) http_reply(waiting, 500, "text/plain; charset=utf-8", "Fehler\n");
          else reply_png(waiting, *png, encoding->version);
        }
        if (!encoding->stale && !png->empty()) remember(key, std::move(*png), encoding->version);
      });
}

void answer_tile(HttpRequestId id, const TileKey& key) {
  auto it = cache.find(key);
  if (it != cache.end()) {
    ages.erase(it->second.age);
    ages.push_front(key);
    it->second.age = ages.begin();
    reply_png(id, it->second.png, it->second.version);
    return;
  }
  if (std::get<0>(key) >= 2 && pyramid.busy()) {
    waiting_for_levels.push_back({id, key});
    return;
  }
  encode_tile(id, key);
}

void start_work() {
  if (work_source || !pyramid.busy()) return;
  work_source = idle_start([] {
    bool done = pyramid.work(WorkSliceUs);
    if (!done) return true;
    work_source = 0;
    auto waiting = std::move(waiting_for_levels);
    waiting_for_levels.clear();
    for (auto& [id, key] : waiting) answer_tile(id, key);
    return false;
  });
}

bool number(const std::string& text, int64_t limit, int64_t* value) {
  if (text.empty() || text.size() > 9 || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return false;
  *value = std::stoll(text);
  return *value <= limit;
}

// Map streams: a band composed and encoded on a background thread, handed
// to the server; the next band once the client has taken most of it.
void map_step(HttpRequestId id);

// Ends the stream: complete, or cut short (the client then has a broken
// picture, never a wrong one).
void map_finish(HttpRequestId id) {
  auto it = streams.find(id);
  if (it == streams.end()) return;
  std::shared_ptr<MapStream> s = it->second;
  streams.erase(it);
  if (s->writer) {
    PngWriter* writer = s->writer;
    s->writer = nullptr;
    background_run([writer] { png_writer_finish(writer); }, nullptr);
  }
  if (!s->gone || s->failed) http_stream_end(id);
}

void map_step(HttpRequestId id) {
  auto it = streams.find(id);
  if (it == streams.end()) return;
  std::shared_ptr<MapStream> s = it->second;
  if (s->encoding) return;
  if (s->gone) {
    map_finish(id);
    return;
  }
  if (!s->out.empty()) {
    if (!http_stream_write(id, std::move(s->out))) {
      s->gone = true;
      map_finish(id);
      return;
    }
    s->out.clear();
  }
  if (s->finished) {
    map_finish(id);
    return;
  }
  if (http_stream_backlog(id) > MapBacklogBytes) return;  // on again when drained
  int64_t width = s->layout->width(), height = s->layout->height();
  int64_t first = s->next_row, rows = std::clamp<int64_t>(MapBandBytes / (width * 3), 1, height - first);
  s->next_row += rows;
  bool last = s->next_row >= height;
  s->encoding = true;
  background_run(
      [s, first, rows, width, last] {
        std::vector<uint8_t> band(rows * width * 3);
        compose_rect(*s->layout, 0, first, width, rows, band.data(), width * 3);
        std::vector<const uint8_t*> pointers(rows);
        for (int64_t i = 0; i < rows; i++) pointers[i] = band.data() + i * width * 3;
        bool ok = png_writer_rows(s->writer, pointers.data(), rows);
        if (last) {
          ok = png_writer_finish(s->writer) && ok;
          s->writer = nullptr;
        }
        s->failed = !ok;
        s->finished = last;
      },
      [s, id] {
        s->encoding = false;
        if (s->failed) s->gone = true;  // nothing more can be sent
        map_step(id);
      });
}

}  // namespace

void tiles_reset(std::shared_ptr<const LayoutPicture> layout, uint64_t version) {
  shown_version = version;
  pyramid.reset(std::move(layout));
  cache.clear();
  ages.clear();
  cache_bytes = 0;
  for (auto& [key, e] : encodings) e->stale = true;
  start_work();
}

void tiles_update(std::shared_ptr<const LayoutPicture> layout, uint64_t version, const std::vector<MapRect>& changed) {
  shown_version = version;
  pyramid.update(std::move(layout), changed);
  for (auto it = cache.begin(); it != cache.end();) {
    auto next = std::next(it);
    MapRect area = tile_area(it->first);
    if (std::any_of(changed.begin(), changed.end(), [&](const MapRect& r) { return meets(area, r); })) forget_cached(it);
    it = next;
  }
  for (auto& [key, e] : encodings) {
    MapRect area = tile_area(key);
    if (std::any_of(changed.begin(), changed.end(), [&](const MapRect& r) { return meets(area, r); })) e->stale = true;
  }
  start_work();
}

void tiles_stop() {
  if (work_source) {
    timer_stop(work_source);
    work_source = 0;
  }
  for (auto& [id, s] : streams) s->gone = true;
  background_wait();
  while (!streams.empty()) map_finish(streams.begin()->first);
  encodings.clear();
  waiting_for_levels.clear();
  cache.clear();
  ages.clear();
  cache_bytes = 0;
  pyramid.reset(nullptr);
}

bool tiles_request(HttpRequestId id, const std::string& path) {
  // tiles/L/X/Y.png
  if (path.size() > TilePathLimit || path.rfind("tiles/", 0) != 0 || path.size() < 4 ||
      path.compare(path.size() - 4, 4, ".png") != 0)
    return false;
  std::string inner = path.substr(6, path.size() - 10);
  size_t a = inner.find('/'), b = a == std::string::npos ? a : inner.find('/', a + 1);
  if (b == std::string::npos || inner.find('/', b + 1) != std::string::npos) return false;
  int64_t level, x, y;
  if (!number(inner.substr(0, a), 62, &level) || !number(inner.substr(a + 1, b - a - 1), int64_t{1} << 30, &x) ||
      !number(inner.substr(b + 1), int64_t{1} << 30, &y))
    return false;
  const auto& layout = pyramid.layout();
  if (!layout || level >= tile_levels(layout->width(), layout->height()) ||
      x * TileSize >= level_size(layout->width(), static_cast<int>(level)) ||
      y * TileSize >= level_size(layout->height(), static_cast<int>(level)))
    return false;
  answer_tile(id, TileKey{static_cast<int>(level), x, y});
  return true;
}

void map_png_request(HttpRequestId id) {
  const auto& layout = pyramid.layout();
  if (!layout) {
    http_reply(id, 503, "text/plain; charset=utf-8", "Keine Karte geladen\n");
    return;
  }
  auto s = std::make_shared<MapStream>();
  s->layout = layout;
  s->version = shown_version;
  std::vector<PngText> texts{{"Software", "Tavrel"}};
  if (!MapView.level_name.empty()) texts.push_back({"Title", string_to_utf8(MapView.level_name)});
  // The header is small: written here; the sink appends to the stream's
  // buffer, which only one thread uses at a time.
  MapStream* raw = s.get();
  s->writer = png_writer_start(layout->width(), layout->height(), texts, [raw](const uint8_t* data, size_t size) {
    raw->out.append(reinterpret_cast<const char*>(data), size);
    return true;
  });
  if (!s->writer) {
    http_reply(id, 500, "text/plain; charset=utf-8", "Fehler\n");
    return;
  }
  http_reply_stream(id, "image/png", version_header(shown_version));
  streams[id] = s;
  map_step(id);
}

void map_png_drained(HttpRequestId id) { map_step(id); }

void map_png_gone(HttpRequestId id) {
  auto it = streams.find(id);
  if (it == streams.end()) return;
  it->second->gone = true;
  if (!it->second->encoding) map_finish(id);
}

int64_t tiles_memory() {
  return pyramid.kept_bytes() + cache_bytes;
}
