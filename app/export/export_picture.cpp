// Writing the layout as a picture. The whole map goes row by row through the
// frame's pixel helpers: the map row read at the sampled columns, the pieces
// that cover it blended over it in drawing order, the alpha dropped; a row
// of an RGB map that no piece or label touches goes to the encoder as it
// lies in the map picture. The view is drawn by draw_map itself, into a
// buffer of the canvas's size.
#include "app/export/export_picture.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "app/mapview/frame_layers.h"
#include "app/mapview/frame_pixels.h"
#include "app/mapview/model.h"
#include "app/mapview/render.h"
#include "app/mapview/render_parts.h"
#include "app/state/lists.h"
#include "runtime/core/objects.h"
#include "runtime/data/files.h"
#include "runtime/media/drawing.h"
#include "runtime/media/image.h"

namespace {

using namespace map_frame;

// Rows composed before they go to the encoder together.
constexpr int64_t BandBytes = int64_t{8} << 20;
// Between a piece and its label.
constexpr int64_t LabelGap = 2;

// A piece that shows on the map: where it lands, and what the text chunks
// and labels say of it.
struct ShownPiece {
  FramePiece frame;
  const char* kind = nullptr;  // "Grabstein", "Transportmittel"; nullptr for a hero
  int32_t inscription = 0;
};

// The pieces of one list that the map view draws (a picture that loaded,
// covering part of the map), in list order, clipped to the map.
void collect(List<Piece>* list, List<CatalogEntry>* catalog, const char* kind, const Pixels& map,
             std::vector<ShownPiece>& shown) {
  std::vector<int> pictures = catalog_pictures(catalog);
  walk_list(list, [&](Piece* piece) {
    if (piece->catalog_index < 0 || piece->catalog_index >= static_cast<int64_t>(pictures.size())) return;
    ShownPiece s;
    s.kind = kind;
    s.inscription = piece->inscription;
    if (frame_piece(*piece, pictures[piece->catalog_index], map, &s.frame)) shown.push_back(s);
  });
}

// Graves, transports, heroes: the frame's drawing order.
std::vector<ShownPiece> shown_pieces(const Pixels& map) {
  std::vector<ShownPiece> shown;
  collect(Graves, GraveCatalog, "Grabstein", map, shown);
  collect(Transports, TransportCatalog, "Transportmittel", map, shown);
  collect(Heroes, PlayerCatalog, nullptr, map, shown);
  return shown;
}

// The map picture as the frame reads it; false when there is none.
bool map_pixels(Pixels* map) { return picture_pixels(MapView.map_image, map); }

// The picture's texts: the program, the level, and "x,y: text" under the
// kind of piece for each inscription, x and y being the piece's top-left
// corner in the picture's pixels.
std::vector<PngText> picture_texts(const std::vector<ShownPiece>& shown, int64_t scale, int64_t dx, int64_t dy,
                                   const std::vector<bool>* visible = nullptr) {
  std::vector<PngText> texts{{"Software", "Tavrel"}};
  if (!MapView.level_name.empty()) texts.push_back({"Title", string_to_utf8(MapView.level_name)});
  for (size_t i = 0; i < shown.size(); i++) {
    const ShownPiece& s = shown[i];
    const String& text = inscription_text(s.inscription);
    if (!s.kind || text.empty() || (visible && !(*visible)[i])) continue;
    int64_t x = dx + s.frame.x * scale / 100, y = dy + s.frame.y * scale / 100;
    texts.push_back({s.kind, std::to_string(x) + "," + std::to_string(y) + ": " + string_to_utf8(text)});
  }
  return texts;
}

// An inscription as the hover label shows one (white text on a black box
// with 2 pixels of margin), placed in the picture: right of its piece, or
// left of it where the picture ends, and moved into the picture where it
// can be.
struct Label {
  int64_t x = 0, y = 0, width = 0, height = 0;
  std::vector<uint8_t> rgb;
};

std::vector<Label> make_labels(const std::vector<ShownPiece>& shown, int64_t scale, int64_t width, int64_t height) {
  std::vector<Label> labels;
  for (const ShownPiece& s : shown) {
    const String& text = inscription_text(s.inscription);
    if (!s.kind || text.empty()) continue;
    int64_t tw = text_width(text), th = text_height(text);
    if (tw < 1 || th < 1) continue;  // no font without a display
    Label l;
    l.width = tw + 4;
    l.height = th + 4;
    l.rgb.assign(l.width * l.height * 3, 0);
    DrawTarget target;
    target.pixels = l.rgb.data();
    target.stride = static_cast<int>(l.width * 3);
    target.width = static_cast<int>(l.width);
    target.height = static_cast<int>(l.height);
    if (drawing_start(&target)) {
      draw_text(2, 2, text);
      drawing_stop();
    }
    const FramePiece& p = s.frame;
    int64_t left = p.x * scale / 100, right = (p.x + p.picture.width) * scale / 100;
    l.x = right + LabelGap;
    if (l.x + l.width > width) l.x = left - LabelGap - l.width;
    l.x = std::max<int64_t>(l.x, 0);
    l.y = std::clamp<int64_t>(p.y * scale / 100, 0, std::max<int64_t>(0, height - l.height));
    labels.push_back(std::move(l));
  }
  return labels;
}

// Copies the labels' pixels of picture row i into row (width pixels).
void draw_labels(uint8_t* row, int64_t i, int64_t width, const std::vector<Label>& labels) {
  for (const Label& l : labels) {
    if (i < l.y || i >= l.y + l.height) continue;
    int64_t x0 = std::max<int64_t>(l.x, 0), x1 = std::min(l.x + l.width, width);
    if (x0 < x1) std::memcpy(row + x0 * 3, l.rgb.data() + ((i - l.y) * l.width + x0 - l.x) * 3, (x1 - x0) * 3);
  }
}

// The encoder over a safe-save file: the file's error number is kept when a
// write fails.
ExportResult write_file(const String& path, const std::function<bool(const PngSink&)>& encode) {
  int file = file_create_replacing(AnyNumber, path, FileUnbuffered);
  if (!file) return ExportResult::NotCreated;
  int error = 0;
  PngSink sink = [&](const uint8_t* data, size_t size) {
    errno = 0;
    if (file_write_data(file, data, static_cast<int64_t>(size)) == static_cast<int64_t>(size)) return true;
    error = errno;
    return false;
  };
  bool encoded = encode(sink);
  if (encoded) {
    errno = 0;
    if (file_commit(file) == 1) return ExportResult::Written;
    error = errno;
  } else {
    file_close(file);  // the unfinished file goes
  }
  return error == ENOSPC || error == EDQUOT || error == EFBIG ? ExportResult::DiskFull : ExportResult::NotWritten;
}

}  // namespace

bool write_map_png(const ExportOptions& options, const PngSink& sink, const ExportProgress& progress) {
  Pixels map;
  if (!map_pixels(&map)) return false;
  int64_t scale = std::clamp(options.scale, 1, 100);
  int64_t width = map.width * scale / 100, height = map.height * scale / 100;
  if (width < 1 || height < 1) width = map.width, height = map.height;  // as the view shows a tiny map
  std::vector<ShownPiece> shown = shown_pieces(map);
  std::vector<FramePiece> pieces;
  for (const ShownPiece& s : shown) pieces.push_back(s.frame);
  std::vector<Label> labels;
  if (options.labels) labels = make_labels(shown, scale, width, height);

  // Which map rows pieces cover, which picture rows labels cover.
  std::vector<bool> piece_row(map.height, false), label_row(height, false);
  for (const FramePiece& p : pieces) std::fill(piece_row.begin() + p.y0, piece_row.begin() + p.y1, true);
  for (const Label& l : labels)
    std::fill(label_row.begin() + std::min(l.y, height), label_row.begin() + std::min(l.y + l.height, height), true);

  PngWriter* writer = png_writer_start(width, height, picture_texts(shown, scale, 0, 0), sink);
  if (!writer) return false;
  std::vector<int32_t> xs = nearest_source_map(map.width, width), ys = nearest_source_map(map.height, height);
  bool contiguous = width == map.width;
  int64_t band_rows = std::clamp<int64_t>(BandBytes / (width * 3), 1, height);
  std::vector<uint8_t> band(band_rows * width * 3), wide(map.bpp == 4 ? width * 4 : 0);
  std::vector<const uint8_t*> rows(band_rows);
  bool ok = true;
  for (int64_t first = 0; ok && first < height; first += band_rows) {
    int64_t count = std::min(band_rows, height - first);
    for (int64_t r = 0; r < count; r++) {
      int64_t i = first + r, sy = ys[i];
      if (map.bpp == 3 && contiguous && !piece_row[sy] && !label_row[i]) {
        rows[r] = map.pixels + sy * map.stride;
        continue;
      }
      uint8_t* out = band.data() + r * width * 3;
      if (map.bpp == 3) {
        gather_span<3>(out, sy, xs.data(), width, contiguous, map);
        if (piece_row[sy]) blend_pieces<3>(out, sy, xs.data(), width, pieces);
      } else {
        gather_span<4>(wide.data(), sy, xs.data(), width, contiguous, map);
        if (piece_row[sy]) blend_pieces<4>(wide.data(), sy, xs.data(), width, pieces);
        pack_rgb(out, wide.data(), width);
      }
      if (label_row[i]) draw_labels(out, i, width, labels);
      rows[r] = out;
    }
    ok = png_writer_rows(writer, rows.data(), count);
    if (progress) progress(static_cast<double>(first + count) / static_cast<double>(height));
  }
  return png_writer_finish(writer) && ok;
}

bool write_view_png(const PngSink& sink, const ExportProgress& progress) {
  Pixels map;
  const DrawTarget* canvas = map_target();
  if (!map_pixels(&map) || MapView.work_image == 0 || !canvas || canvas->width < 1 || canvas->height < 1) return false;
  int64_t width = canvas->width, height = canvas->height;

  // A frame of the view as it is, less the marker and the label, drawn by
  // the frame itself into a buffer of its own.
  std::vector<uint8_t> pixels(width * height * 3);
  DrawTarget target;
  target.pixels = pixels.data();
  target.stride = static_cast<int>(width * 3);
  target.width = static_cast<int>(width);
  target.height = static_cast<int>(height);
  target.version = drawing_new_version();
  MapMarkerRecord marker = MapMarker;
  HoverLabelRecord label = HoverLabel;
  DrawTarget* override_target = MapTargetOverride;
  MapMarker.active = 0;
  HoverLabel.text.clear();
  MapTargetOverride = &target;
  draw_map();
  MapTargetOverride = override_target;
  MapMarker = marker;
  HoverLabel = label;

  // The inscriptions of the pieces the canvas shows, placed as it shows them.
  int64_t zoom = view_zoom();
  int64_t dx = -static_cast<int64_t>(MapView.origin_x) * zoom / 100;
  int64_t dy = -static_cast<int64_t>(MapView.origin_y) * zoom / 100;
  std::vector<ShownPiece> shown = shown_pieces(map);
  std::vector<bool> visible;
  for (const ShownPiece& s : shown) {
    const FramePiece& p = s.frame;
    visible.push_back(dx + p.x1 * zoom / 100 > 0 && dx + p.x0 * zoom / 100 < width && dy + p.y1 * zoom / 100 > 0 &&
                      dy + p.y0 * zoom / 100 < height);
  }
  PngWriter* writer = png_writer_start(width, height, picture_texts(shown, zoom, dx, dy, &visible), sink);
  if (!writer) return false;
  int64_t band_rows = std::clamp<int64_t>(BandBytes / (width * 3), 1, height);
  std::vector<const uint8_t*> rows(band_rows);
  bool ok = true;
  for (int64_t first = 0; ok && first < height; first += band_rows) {
    int64_t count = std::min(band_rows, height - first);
    for (int64_t r = 0; r < count; r++) rows[r] = pixels.data() + (first + r) * width * 3;
    ok = png_writer_rows(writer, rows.data(), count);
    if (progress) progress(static_cast<double>(first + count) / static_cast<double>(height));
  }
  return png_writer_finish(writer) && ok;
}

ExportResult export_map_picture(const String& path, const ExportOptions& options, const ExportProgress& progress) {
  Pixels map;
  if (!map_pixels(&map)) return ExportResult::NoMap;
  return write_file(path, [&](const PngSink& sink) { return write_map_png(options, sink, progress); });
}

ExportResult export_view_picture(const String& path, const ExportProgress& progress) {
  Pixels map;
  if (!map_pixels(&map) || MapView.work_image == 0 || !map_target()) return ExportResult::NoMap;
  return write_file(path, [&](const PngSink& sink) { return write_view_png(sink, progress); });
}
