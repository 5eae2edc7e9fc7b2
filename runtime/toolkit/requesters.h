// Requesters: message box, one-line input, open and save file choosers. Each
// call shows its dialog, waits for the answer and returns it.
#pragma once

#include <functional>
#include <vector>

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

// A question below the file list of a save requester: a drop-down list of its
// options, or a check box when it has none.
struct RequesterChoice {
  String label;
  std::vector<String> options;  // empty: a check box
  int selected = 0;             // the option's index; for a check box 1 when ticked
};
// What a save requester does besides letting the user choose a name.
struct SaveRequesterOptions {
  // Appended to a chosen name that does not end in it (in any case), e.g. ".png".
  String extension;
  // When not empty, a file that exists under the name (with the extension)
  // is taken only after this question (title replace_title, Yes and No) is
  // answered Yes; "%1" in it stands for the file's name. No keeps the
  // requester open for another name.
  String replace_question;
  String replace_title;
  // Shown with their selection; the user's answers are written back when a
  // file was chosen.
  std::vector<RequesterChoice> choices;
};
// The save requester with these options: the full path with the extension,
// or "" when cancelled.
String save_file_requester(const String& title, const String& default_path, const String& patterns,
                           int pattern_index, SaveRequesterOptions& options);

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
  // The options of a save requester that has them; the hook may set the
  // choices' answers. The extension and the question are the requester's
  // business (the question comes as a Message call of its own).
  SaveRequesterOptions* save = nullptr;
};
struct RequesterAnswer {
  int result = 0;
  String text;
};
using RequesterHook = std::function<RequesterAnswer(const RequesterCall&)>;
void requester_set_hook(RequesterHook hook);

// For runs without anybody at the screen (a picture written from the command
// line): from now on message requesters write "prefix: text" as one line to
// standard error instead of opening a dialog and give 0, and the other
// requesters give "" at once. A set hook still comes first.
void requesters_to_standard_error(const String& prefix);
