// Start and end of the runtime layer.
#include "runtime/toolkit/runtime.h"

#include <gtk/gtk.h>

#include <clocale>

#include "runtime/data/directory.h"
#include "runtime/data/files.h"
#include "runtime/data/xml.h"
#include "runtime/media/image.h"
#include "runtime/toolkit/events.h"
#include "runtime/toolkit/internal.h"
#include "runtime/toolkit/windows.h"

namespace {

bool Initialised = false;
bool HasDisplay = false;

}  // namespace

void runtime_set_locale() {
  static bool done = false;
  if (done) return;
  done = true;
  // All categories from the environment, but numbers always with a point.
  setlocale(LC_ALL, "");
  setlocale(LC_NUMERIC, "C");
  // GTK would set the locale from the environment again (numbers included).
  gtk_disable_setlocale();
}

namespace {

// The locale, the toolkit when asked to open the display, the queue and the
// tables.
int start(int* argc, char*** argv, bool with_display) {
  if (Initialised) return HasDisplay ? 1 : 0;
  Initialised = true;
  runtime_set_locale();
  if (with_display) HasDisplay = gtk_init_check(argc, argv);
  events_init();
  images_init();
  return HasDisplay ? 1 : 0;
}

}  // namespace

int runtime_init(int* argc, char*** argv) { return start(argc, argv, true); }

void runtime_init_without_display() { start(nullptr, nullptr, false); }

bool runtime_has_display() { return HasDisplay; }

void runtime_release() {
  dir_finish(-1);
  window_close(-1);
  xml_release_all();
  image_free(-1);
  file_close(-1);
}
