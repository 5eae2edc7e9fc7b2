// The piece picker, drawn on the main window's hidden picker canvas.
#include "app/mapview/picker.h"

#include <vector>

#include "app/mapview/clock.h"
#include "app/mapview/render_parts.h"
#include "app/state/numbers.h"
#include "app/state/program.h"
#include "runtime/core/objects.h"
#include "runtime/media/drawing.h"
#include "runtime/media/image.h"
#include "runtime/toolkit/events.h"
#include "runtime/toolkit/gadgets.h"
#include "runtime/toolkit/windows.h"

int pick_catalog_entry(List<CatalogEntry>* catalog, int cell_width, int cell_height, bool with_random) {
  int random_picture = image_load(AnyNumber, data_path(u"pics", u"rnd.png"));

  std::vector<int> pictures = catalog_pictures(catalog);
  int64_t entries = static_cast<int64_t>(pictures.size());
  int64_t cells = entries + (with_random ? 1 : 0);
  int64_t rows = (cells + 4) / 5;
  int64_t grid_w = 5 * static_cast<int64_t>(cell_width), grid_h = rows * cell_height;

  int64_t px = window_mouse_x(MainWindow) - cell_width / 2;
  if (px + grid_w > window_width(MainWindow)) px = window_width(MainWindow) - grid_w;
  int64_t py = window_mouse_y(MainWindow) - cell_height / 2;
  if (py + grid_h > window_height(MainWindow)) py = window_height(MainWindow) - grid_h;

  gadget_resize(PickerCanvas, static_cast<int>(px), static_cast<int>(py), static_cast<int>(grid_w),
                static_cast<int>(grid_h));
  gadget_hide(PickerCanvas, false);
  if (drawing_start(canvas_output(PickerCanvas))) {
    draw_box(0, 0, static_cast<int>(grid_w), static_cast<int>(grid_h), rgb(255, 255, 255));
    drawing_mode(DrawAlphaBlend);
    for (int64_t i = 0; i < entries; i++)
      draw_image(image_handle(pictures[i]), static_cast<int>((i % 5) * cell_width),
                 static_cast<int>((i / 5) * cell_height));
    if (with_random && random_picture)
      draw_image(image_handle(random_picture), static_cast<int>(((cells - 1) % 5) * cell_width),
                 static_cast<int>(((cells - 1) / 5) * cell_height));
    drawing_stop();
  }

  int64_t choice = -1;
  for (;;) {
    int64_t kind = event_wait();
    if (kind == Gadget && event_type() == LeftClick) {
      int64_t rx = window_mouse_x(MainWindow) - px, ry = window_mouse_y(MainWindow) - py;
      if (rx >= 0 && rx < grid_w && ry >= 0 && ry < grid_h && cell_width > 0 && cell_height > 0)
        choice = rx / cell_width + ry / cell_height * 5;
      else
        choice = -1;
      break;
    }
    if (kind == Gadget && event_type() == RightClick) break;
    if (kind == Menu) break;
  }

  if (with_random && choice == entries) {
    // The random cell: any entry. Over an empty catalog it gives position 0,
    // which names no entry; the caller goes on without one.
    choice = random_number(entries - 1);
  } else if (choice > entries - 1) {
    choice = -1;
  }
  gadget_hide(PickerCanvas, true);
  if (random_picture) image_free(random_picture);
  return static_cast<int>(choice);
}

