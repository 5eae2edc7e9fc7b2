// Gadgets: numbered controls inside a window's gadget area. New gadgets go into
// the gadget area of the window opened last.
#pragma once

#include <cstdint>

#include "runtime/core/objects.h"
#include "runtime/core/strings.h"
#include "runtime/media/drawing.h"
#include "runtime/media/image.h"

constexpr int CanvasBorder = 1;
constexpr int ImageGadgetBorder = 1;

// Gadget classes (gadget_type).
constexpr int GadgetButtonType = 1;
constexpr int GadgetImageType = 9;
constexpr int GadgetTextType = 10;
constexpr int GadgetCanvasType = 33;

// A canvas with its own RGB pixel buffer (white at first). With CanvasBorder a
// sunken frame surrounds it and the buffer is smaller by the frame (>= 1x1).
// Returns the handle for AnyNumber, non-zero for a fixed number, 0 on failure.
int canvas_create(int number, int x, int y, int width, int height, int flags = 0);
// A drawing target on the canvas's buffer; drawing_stop queues its repaint.
// The buffer has one pixel per pixel of the window's layout.
DrawTarget* canvas_output(int number);
// The same with scale x scale buffer pixels per layout pixel (the target's
// scale): on a screen of that scale factor (canvas_scale) every buffer pixel
// is one pixel of the screen. A buffer of another scale than asked for
// before is made anew (background colour). Buffers of any scale are shown
// without smoothing.
DrawTarget* canvas_output_scaled(int number, int scale);
// The scale factor of the screen the canvas is shown on (2 on most
// high-density screens); 1 for no canvas. A change posts Gadget Resize.
int canvas_scale(int number);
// A push button; a click posts LeftClick.
int button_create(int number, int x, int y, int width, int height, const String& text, int flags = 0);
// Flags of a text gadget.
constexpr int TextSelectable = 1;  // the text can be selected and copied
constexpr int TextBold = 2;
// A text, left-aligned from the top-left, wrapped at the gadget's width.
int text_gadget_create(int number, int x, int y, int width, int height, const String& text, int flags = 0);
// Text gadget: replaces its text. Other kinds: nothing.
void gadget_set_text(int number, const String& text);
// The text of a text gadget or the label of a button; "" for other kinds.
String gadget_text(int number);
// Shows picture at the top-left; with a picture the gadget takes its size
// (gadget_width/height give the picture area, the frame of ImageGadgetBorder
// lies around it).
int image_gadget_create(int number, int x, int y, int width, int height, ImageHandle picture, int flags = 0);
// Image gadget: replaces the picture. Other kinds: nothing.
void gadget_set_state(int number, ImageHandle picture);
// true hides, false shows.
void gadget_hide(int number, bool hidden);
// Any argument may be Ignore.
void gadget_resize(int number, int x, int y, int width, int height);
int64_t gadget_x(int number);
int64_t gadget_y(int number);
// The size the gadget was given (a canvas with its frame, an image gadget its
// picture area); 0 for no gadget.
int64_t gadget_width(int number);
int64_t gadget_height(int number);
// GadgetButtonType, GadgetImageType, GadgetTextType, GadgetCanvasType; 0 for no gadget.
int gadget_type(int number);
bool gadget_visible(int number);
// The gadget's main toolkit widget (the drawing area inside a canvas's frame,
// the event box of an image gadget), or nullptr; for tests and the toolkit.
struct _GtkWidget;
_GtkWidget* gadget_widget(int number);
// Destroys the gadget; -1 frees all gadgets.
void gadget_free(int number);
