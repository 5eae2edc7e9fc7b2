// Tries the toolkit layer by hand: a window with a menu bar, a bordered canvas,
// a push button, an image gadget, a popup menu on right click and shortcuts.
// Every application event is printed. Build it with `ninja toolkit_demo` in a
// build folder and run it from there.
#include <gtk/gtk.h>

#include <cstdio>
#include <string>

#include "runtime/media/drawing.h"
#include "runtime/toolkit/events.h"
#include "runtime/toolkit/gadgets.h"
#include "runtime/toolkit/requesters.h"
#include "runtime/toolkit/runtime.h"
#include "runtime/toolkit/windows.h"

namespace {

const char* kind_name(int64_t kind) {
  switch (kind) {
    case Menu: return "Menu";
    case CloseWindow: return "CloseWindow";
    case Gadget: return "Gadget";
    case Repaint: return "Repaint";
    case MoveWindow: return "MoveWindow";
    case SizeWindow: return "SizeWindow";
    case ActivateWindow: return "ActivateWindow";
    case DeactivateWindow: return "DeactivateWindow";
    case WindowLeftClick: return "WindowLeftClick";
    case WindowRightClick: return "WindowRightClick";
    case WindowMouseMove: return "WindowMouseMove";
    default: return "other";
  }
}

// A checkerboard with a moving bar, so that repaints can be seen.
void paint(int frame) {
  DrawTarget* target = canvas_output(0);
  if (!target) return;
  for (int y = 0; y < target->height; ++y) {
    uint8_t* row = target->pixels + y * target->stride;
    for (int x = 0; x < target->width; ++x) {
      bool dark = ((x / 32) + (y / 32)) % 2;
      bool bar = (x + frame) % 200 < 8;
      row[x * 3] = bar ? 255 : dark ? 200 : 240;
      row[x * 3 + 1] = bar ? 0 : dark ? 200 : 240;
      row[x * 3 + 2] = bar ? 0 : dark ? 220 : 255;
    }
  }
  if (target->release) target->release(target);
}

}  // namespace

int main(int argc, char** argv) {
  if (!runtime_init(&argc, &argv)) {
    std::fprintf(stderr, "no display\n");
    return 1;
  }
  window_open(0, 100, 100, 640, 480, u"Toolkit demo", 0x1E);
  menu_bar_create(0, window_handle(0));
  menu_title(u"&Datei");
  menu_item(1, u"&Frage…");
  menu_item(2, u"&Eingabe…");
  menu_separator();
  menu_item(3, u"Ö&ffnen…");
  menu_item(4, u"Speichern unter_…");
  menu_title(u"Zoom");
  menu_item(8, u"Originalgröße [STRG] + [ENTER]");
  popup_menu_create(1);
  menu_item(11, u"Grabstein setzen");
  menu_item(12, u"Transportmittel erstellen");
  canvas_create(0, 0, 0, 640, 400, CanvasBorder);
  button_create(1, 10, 410, 120, 30, u"Knopf");
  GdkPixbuf* picture = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, 32, 32);
  gdk_pixbuf_fill(picture, 0x3366CCFF);
  image_gadget_create(2, 150, 410, 40, 40, picture, ImageGadgetBorder);
  g_object_unref(picture);
  shortcut_add(0, 0x2FF0D, 17);
  shortcut_add(0, 0x2FFAB, 15);

  int frame = 0;
  for (;;) {
    paint(frame++);
    int64_t kind = event_wait_timeout(40);
    if (kind <= 0) continue;
    std::printf("%-16s window %lld object %lld type 0x%llx\n", kind_name(kind),
                static_cast<long long>(event_window()), static_cast<long long>(event_gadget()),
                static_cast<unsigned long long>(event_type()));
    std::fflush(stdout);
    if (kind == CloseWindow) break;
    if (kind == SizeWindow)
      gadget_resize(0, Ignore, Ignore, static_cast<int>(window_width(0)), static_cast<int>(window_height(0)) - 80);
    if (kind == Gadget && event_gadget() == 0 && event_type() == RightClick)
      popup_menu_show(1, window_handle(0));
    if (kind == Menu) {
      String answer;
      switch (event_menu()) {
        case 1:
          std::printf("answer %d\n", message_requester(u"Tavrel", u"Weiter?", ButtonsYesNoCancel));
          break;
        case 2:
          answer = input_requester(u"Eingabe", u"Name:", u"Björn");
          break;
        case 3:
          answer = open_file_requester(u"Öffnen", u"", u"Partyaufstellung (*.tvf)|*.tvf|Alle|*.*", 0);
          break;
        case 4:
          answer = save_file_requester(u"Speichern", u"/tmp/plan.tvf", u"Partyaufstellung (*.tvf)|*.tvf", 0);
          break;
      }
      if (!answer.empty()) std::printf("answer \"%s\"\n", string_to_utf8(answer).c_str());
    }
  }
  runtime_release();
  return 0;
}
