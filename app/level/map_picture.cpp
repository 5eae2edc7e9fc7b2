// The level's map picture. Its pixels are held once: work_image shares them
// with map_image and gets pixels of its own only if something draws on it
// (the frames are drawn from the map picture directly and never do).
#include <string>

#include "app/level/level.h"
#include "app/mapview/model.h"
#include "app/state/program.h"
#include "runtime/core/objects.h"
#include "runtime/media/image.h"
#include "runtime/toolkit/requesters.h"

namespace {

constexpr int64_t Megabyte = 1024 * 1024;

String too_large_text(const String& path, const ImageRefusal& refusal) {
  int64_t needed = (refusal.bytes + Megabyte - 1) / Megabyte;
  return u"Das Kartenbild \"" + path + u"\" ist zu groß und wird nicht geladen: " +
         string_from_number(refusal.width) + u" × " + string_from_number(refusal.height) + u" Bildpunkte brauchen " +
         string_from_number(needed) + u" MB Speicher. Tavrel lädt Bilder bis " +
         string_from_number(image_memory_limit() / Megabyte) + u" MB und bis " + string_from_number(ImageMaxSize) +
         u" Bildpunkte Breite und Höhe.";
}

}  // namespace

void load_map_picture(const String& file_name) {
  // The previous pictures go first, so that two maps are never held at once.
  if (MapView.work_image) image_free(MapView.work_image);
  if (MapView.map_image) image_free(MapView.map_image);
  String path = data_path(u"pics", file_name);
  MapView.map_image = image_load(AnyNumber, path);
  ImageRefusal refusal;
  if (!MapView.map_image && image_refused(&refusal))
    message_requester(u"Tavrel", too_large_text(path, refusal), IconError);
  MapView.work_image = MapView.map_image ? image_share(MapView.map_image, AnyNumber) : 0;
  MapView.map_width = image_width(MapView.map_image);
  MapView.map_height = image_height(MapView.map_image);
}
