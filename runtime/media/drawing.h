// Software 2D drawing into images and canvases: boxes, circles, images and
// text. One drawing at a time per thread, between drawing_start and
// drawing_stop. Colours are 32-bit: red in bits 0-7, green 8-15, blue 16-23,
// alpha 24-31.
#pragma once

#include <cstdint>

#include "runtime/core/strings.h"
#include "runtime/media/image.h"

// What drawing_start draws into. Made by image_output or canvas_output and
// owned by the object it describes.
struct DrawTarget {
  uint8_t* pixels = nullptr;   // first row, rows top-down
  int stride = 0;              // bytes per row
  int width = 0;
  int height = 0;
  int bytes_per_pixel = 3;     // 3 (R G B) or 4 (R G B A)
  // Run by drawing_stop (a canvas queues its repaint); may be null.
  void (*release)(DrawTarget* target) = nullptr;
  void* owner = nullptr;       // for the release action
  int64_t owner_number = 0;    // the canvas's gadget number, for example
  // Changes whenever the pixels may have changed: every drawing on the target
  // (at drawing_stop) and every new pixel buffer it describes takes a value
  // that no target of the process had before. Whoever keeps something drawn
  // from the pixels compares it instead of being told of changes.
  uint64_t version = 0;
  // Target pixels per layout pixel (2 on a screen of scale factor 2): text is
  // drawn that much larger, so that it is as sharp as the screen allows.
  // Everything else is drawn in target pixels.
  int scale = 1;
};

constexpr int DrawDefault = 0;
constexpr int DrawOutlined = 4;
constexpr int DrawAlphaBlend = 16;

// r + g*256 + b*65536 (alpha 0).
constexpr uint32_t rgb(uint32_t r, uint32_t g, uint32_t b) { return (r & 255) | (g & 255) << 8 | (b & 255) << 16; }

// Makes target current with a fresh drawing state (default mode, front colour
// white, back colour black, origin 0,0). 0 (and nothing drawn) for a null target.
int drawing_start(DrawTarget* target);
// Ends the drawing, gives the target a new version and runs its release
// action.
void drawing_stop();
// Sets the mode flags (DrawDefault, DrawOutlined, DrawAlphaBlend).
void drawing_mode(int mode);
// Colours of text glyphs and of the box behind them in the default mode.
void drawing_front_colour(uint32_t colour);
void drawing_back_colour(uint32_t colour);
// Added to every coordinate.
void drawing_origin(int x, int y);

// A rectangle; negative sizes span left of x / above y. Outlined in DrawOutlined.
void draw_box(int x, int y, int width, int height, uint32_t colour);
// A circle centred on (x, y) spanning x-r..x+r; outlined in DrawOutlined.
void draw_circle(int x, int y, int radius, uint32_t colour);
// An image at its own size; a null handle draws nothing.
void draw_image(ImageHandle image, int x, int y);
// An image scaled (bilinear) to width x height; nothing unless both are >= 1.
void draw_image(ImageHandle image, int x, int y, int width, int height);
// Text in the toolkit's default font with its top-left corner at (x, y);
// returns x plus the text's width. On a target of scale k the text is k
// times as large as text_width and text_height say.
int draw_text(int x, int y, const String& text);
// Size of the text's layout in pixels; 0 for an empty text. Usable without a
// current drawing.
int text_width(const String& text);
int text_height(const String& text);

// Tells the drawing layer that target is about to be freed (an image or canvas
// going away): a drawing of this thread aimed at it ends at once, without its
// release action, and later drawing calls do nothing.
void drawing_target_gone(DrawTarget* target);
// Points target at the pixels, stride and size of a pixel buffer (3 or 4 bytes
// per pixel by its alpha channel); release and owner are left as they are. A
// buffer other than the one described before gives the target a new version.
void drawing_target_describe(DrawTarget* target, ImageHandle pixels);
// A version that no target had before (see DrawTarget::version); for owners
// that change a target's pixels by other means than drawing.
uint64_t drawing_new_version();
