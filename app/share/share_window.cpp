// The window that tells the players where to look.
#include "app/share/share_window.h"

#include <qrencode.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "app/share/share.h"
#include "app/state/numbers.h"
#include "runtime/core/strings.h"
#include "runtime/media/drawing.h"
#include "runtime/net/addresses.h"
#include "runtime/toolkit/events.h"
#include "runtime/toolkit/gadgets.h"
#include "runtime/toolkit/requesters.h"
#include "runtime/toolkit/windows.h"

namespace {

constexpr int WindowWidth = 400;
constexpr int Margin = 16;
// The QR code: pixels per module, at least, and the light margin around it
// in modules.
constexpr int MinModulePixels = 3;
constexpr int QuietModules = 4;
constexpr int CodeTargetPixels = 250;
constexpr int TextWidth = WindowWidth - 2 * Margin;
constexpr int LineHeight = 18;

std::string shown_address;
std::string shown_others;

// The code's modules (1 dark), size x size of them; empty when it cannot be made.
std::vector<uint8_t> qr_modules(const std::string& text, int* size) {
  std::vector<uint8_t> modules;
  QRcode* code = QRcode_encodeString8bit(text.c_str(), 0, QR_ECLEVEL_M);
  if (!code) return modules;
  *size = code->width;
  modules.resize(static_cast<size_t>(code->width) * code->width);
  for (size_t i = 0; i < modules.size(); i++) modules[i] = code->data[i] & 1;
  QRcode_free(code);
  return modules;
}

String viewers_text(int viewers) {
  if (viewers == 1) return u"Verbunden: 1 Browser";
  return u"Verbunden: " + string_from_number(viewers) + u" Browser";
}

String others_text(const std::vector<std::string>& others) {
  if (others.empty()) return String();
  String text = u"Auch erreichbar unter:";
  for (const std::string& address : others) text += u"\n" + string_from_utf8(address);
  return text;
}

// Lays the window out anew for the address and the others.
void fill_window() {
  shown_address = share_address();
  std::vector<std::string> others = share_other_addresses();
  int size = 0;
  std::vector<uint8_t> modules = qr_modules(shown_address, &size);
  int total = size + 2 * QuietModules;
  int scale = std::max(MinModulePixels, CodeTargetPixels / std::max(total, 1));
  int code = total * scale;

  int y = Margin;
  gadget_resize(ShareAddressText, Margin, y + 24, TextWidth, 40);
  gadget_set_text(ShareAddressText, string_from_utf8(shown_address));
  y += 24 + 44;
  gadget_resize(ShareCodeCanvas, (WindowWidth - code) / 2, y, code, code);
  if (DrawTarget* target = canvas_output(ShareCodeCanvas)) {
    if (drawing_start(target)) {
      draw_box(0, 0, code, code, rgb(255, 255, 255));
      for (int i = 0; i < size; i++)
        for (int j = 0; j < size; j++)
          if (modules[i * size + j]) draw_box((j + QuietModules) * scale, (i + QuietModules) * scale, scale, scale, 0);
      drawing_stop();
    }
  }
  y += code + 12;
  String others_label = others_text(others);
  // A line for the heading, two for each address (they are long).
  int others_height = others.empty() ? 0 : LineHeight * (1 + 2 * static_cast<int>(others.size()));
  gadget_set_text(ShareOthersText, others_label);
  gadget_resize(ShareOthersText, Margin, y, TextWidth, std::max(others_height, 1));
  gadget_hide(ShareOthersText, others.empty());
  y += others_height + (others.empty() ? 0 : 8);
  gadget_resize(ShareViewersText, Margin, y, TextWidth, 20);
  y += 20 + 12;
  gadget_resize(ShareStopButton, (WindowWidth - 180) / 2, y, 180, 32);
  y += 32 + Margin;
  window_resize(ShareWindow, WindowWidth, y);
  shown_others = string_to_utf8(others_label);
}

void open_window() {
  if (window_handle(ShareWindow)) {
    window_present(ShareWindow);
    return;
  }
  // Over the right of the main window, clear of the heroes' start row (a
  // window manager may place it elsewhere; Wayland's always does).
  int x = static_cast<int>(window_x(MainWindow) + window_width(MainWindow, WindowFrame)) - WindowWidth - 40;
  int y = static_cast<int>(window_y(MainWindow)) + 80;
  if (!window_open(ShareWindow, x, y, WindowWidth, 480, u"Mitspieler-Ansicht", WindowMenuBox | WindowNoMinimizeBox,
                   window_handle(MainWindow)))
    return;
  text_gadget_create(ShareIntroText, Margin, Margin, TextWidth, 20,
                     u"Die Mitspieler öffnen diese Adresse im Browser:");
  text_gadget_create(ShareAddressText, Margin, Margin + 24, TextWidth, 40, u"", TextSelectable | TextBold);
  canvas_create(ShareCodeCanvas, 0, 0, 10, 10);
  text_gadget_create(ShareOthersText, Margin, 0, TextWidth, 1, u"", TextSelectable);
  text_gadget_create(ShareViewersText, Margin, 0, TextWidth, 20, viewers_text(share_viewers()));
  button_create(ShareStopButton, 0, 0, 180, 32, u"Freigabe beenden");
  fill_window();
  net_watch_addresses([] {
    if (!window_handle(ShareWindow)) return;
    std::vector<std::string> others = share_other_addresses();
    if (share_address() != shown_address || string_to_utf8(others_text(others)) != shown_others) fill_window();
  });
}

void on_viewers(int viewers) {
  if (window_handle(ShareWindow)) gadget_set_text(ShareViewersText, viewers_text(viewers));
}

void close_window() {
  net_watch_addresses(nullptr);
  if (window_handle(ShareWindow)) window_close(ShareWindow);
}

}  // namespace

void share_command() {
  if (!share_running()) {
    std::string error;
    if (!share_start(0, false, &error)) {
      message_requester(u"Tavrel", u"Die Freigabe kann nicht beginnen: " + string_from_utf8(error), IconError);
      return;
    }
    share_on_viewers(on_viewers);
  }
  open_window();
}

void share_from_command_line(int port) {
  std::string error;
  if (!share_start(port, false, &error)) {
    std::fprintf(stderr, "tavrel: %s\n", error.c_str());
    message_requester(u"Tavrel", u"Die Freigabe kann nicht beginnen: " + string_from_utf8(error), IconError);
    return;
  }
  share_on_viewers(on_viewers);
  std::printf("%s\n", share_address().c_str());
  std::fflush(stdout);
  open_window();
}

bool share_window_event(int64_t kind) {
  if (kind <= 0 || event_window() != ShareWindow) return false;
  if (kind == CloseWindow || (kind == Gadget && event_gadget() == ShareStopButton && event_type() == LeftClick))
    share_end();
  return true;
}

void share_end() {
  close_window();
  share_stop();
}
