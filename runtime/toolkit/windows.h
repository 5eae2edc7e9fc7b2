// Top-level windows with a gadget area, menu bars, popup menus and keyboard
// shortcuts. Menu items and shortcuts post Menu with their number.
#pragma once

#include <cstdint>
#include <vector>

#include "runtime/core/strings.h"

// The toolkit window (GtkWindow); opaque to the application.
struct _GtkWindow;
using WindowHandle = _GtkWindow*;

// Window flags.
constexpr int WindowSizeBox = 2;         // resizable
constexpr int WindowMenuBox = 4;         // window menu in the title bar
constexpr int WindowNoMinimizeBox = 8;   // no minimise box; no effect of its own
constexpr int WindowMaximizeBox = 16;    // maximise box; also resizable
constexpr int WindowBorderless = 128;    // no decorations
constexpr int WindowPopup = 256;         // a popup: placed where asked, past any window manager

// Modes of window_width/height and window_x/y.
constexpr int WindowFrame = 0;   // size with decorations; position of the window
constexpr int WindowClient = 1;  // client size; screen position of the gadget area

// Opens a window with the client size width x height at screen position x, y
// and shows it. Returns the handle for AnyNumber, non-zero for a fixed number,
// 0 on failure. A number in use closes the old window first.
int window_open(int number, int x, int y, int width, int height, const String& title, int flags,
                WindowHandle parent = nullptr);
// Destroys the window and drops its queued events; -1 closes all windows.
void window_close(int number);
WindowHandle window_handle(int number);
// WindowClient: client size (last size seen); WindowFrame: frame size with
// decorations.
int64_t window_width(int number, int mode = WindowClient);
int64_t window_height(int number, int mode = WindowClient);
// WindowFrame: the window's position; WindowClient: screen position of the
// gadget area.
int64_t window_x(int number, int mode = WindowFrame);
int64_t window_y(int number, int mode = WindowFrame);
// Pointer position in the gadget area, -1 outside it on that axis; read now.
int64_t window_mouse_x(int number);
int64_t window_mouse_y(int number);
void window_present(int number);
// Gives the window the client size width x height (a window of fixed size too).
void window_resize(int number, int width, int height);
// true makes the window insensitive (it posts no close, size, focus or
// mouse-move events); false enables it again.
void window_disable(int number, bool disabled);
void window_set_title(int number, const String& title);
String window_title(int number);
// The icon of every window, those open and those opened later (title bar,
// task switcher): images are the icon in its sizes, as image numbers; images
// that did not load are left out, and none at all keeps the toolkit's default.
void window_set_default_icon(const std::vector<int>& images);
// Pointer position on the whole screen.
int64_t desktop_mouse_x();
int64_t desktop_mouse_y();

// A menu bar at the top of the window; it receives the following entries.
int menu_bar_create(int number, WindowHandle window);
// A top-level entry of the menu bar; the next item opens its drop-down menu.
void menu_title(const String& text);
// An entry of the current drop-down or popup menu. "&" marks the mnemonic.
void menu_item(int item, const String& text);
void menu_separator();
// A popup menu; it receives the following entries.
int popup_menu_create(int number);
// Pops the menu up at the pointer, owned by window.
void popup_menu_show(int number, WindowHandle window);
void menu_item_set_text(int menu, int item, const String& text);
// Greys the item (enabled false: it cannot be chosen and posts nothing) or
// makes it choosable again.
void menu_item_enable(int menu, int item, bool enabled);
// False for a greyed item or one that is not found.
bool menu_item_enabled(int menu, int item);
// Label text of an item ("" if not found), for tests and callers.
String menu_item_text(int menu, int item);
// Frees the menu; -1 frees all menus.
void menu_free(int number);
// Natural height of a menu bar holding one item.
int64_t menu_height();

// Modifier bits of shortcut_add's key argument.
constexpr int ShortcutShift = 0x10000;
constexpr int ShortcutControl = 0x20000;
constexpr int ShortcutAlt = 0x40000;
// Key values (the toolkit's) for shortcut_add.
constexpr int KeyReturn = 0xFF0D;
constexpr int KeyKeypadEnter = 0xFF8D;
constexpr int KeyKeypadPlus = 0xFFAB;
constexpr int KeyKeypadMinus = 0xFFAD;
constexpr int KeyY = 0x79;
constexpr int KeyZ = 0x7A;
// The key combination (low 16 bits: key value, above: modifiers) pressed while
// the window has the focus posts Menu with event_number. Return also binds
// keypad Enter.
void shortcut_add(int window, int key, int event_number);
