// Requesters: message box, one-line input, open and save file choosers. Each
// call shows its dialog, waits for the answer and returns it.
#pragma once

#include <functional>

#include "runtime/core/strings.h"

constexpr int ButtonsYesNo = 1;
constexpr int ButtonsYesNoCancel = 2;
constexpr int IconInfo = 4;
constexpr int IconError = 8;
constexpr int IconWarning = 16;

constexpr int ResultYes = 6;
constexpr int ResultNo = 7;
constexpr int ResultCancel = 2;
constexpr int ResultOk = 1;  // the OK button of a box without Yes/No

// ResultYes, ResultNo, ResultCancel (ResultOk for the plain OK box), or 0
// when closed without a button.
int message_requester(const String& title, const String& text, int flags = 0);
// The entry's text when confirmed; "" when the window was closed.
String input_requester(const String& title, const String& prompt, const String& default_text, int flags = 0);
// Full path of the chosen file, or "". patterns: "Text|*.a;*.b|Text2|*.c".
String open_file_requester(const String& title, const String& default_path, const String& patterns,
                           int pattern_index, int flags = 0);
String save_file_requester(const String& title, const String& default_path, const String& patterns,
                           int pattern_index);
// Index of the filter active when the last file requester closed.
int selected_file_pattern();

// A seam for tests: while a hook is set, requesters open no dialog; the hook
// gets the call and gives the answer (result for message boxes, text for the
// others; for file requesters result is what selected_file_pattern reports).
// An empty hook removes it.
enum class RequesterKind { Message, Input, OpenFile, SaveFile };
struct RequesterCall {
  RequesterKind kind;
  String title;
  String text;          // message text or input prompt
  String default_text;  // input default or file default path
  String patterns;
  int pattern_index = 0;
  int flags = 0;
};
struct RequesterAnswer {
  int result = 0;
  String text;
};
using RequesterHook = std::function<RequesterAnswer(const RequesterCall&)>;
void requester_set_hook(RequesterHook hook);
