// Requesters: GTK message dialogs, a one-line input dialog and the GTK file
// chooser. Each call runs its own wait and returns the answer.
#include "runtime/toolkit/requesters.h"

#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "runtime/toolkit/internal.h"
#include "runtime/toolkit/runtime.h"

namespace {

RequesterHook Hook;
int LastPatternIndex = 0;
// Set by requesters_to_standard_error: messages go there, no dialog opens.
bool ToStandardError = false;
std::string StandardErrorPrefix;

struct InputState {
  GtkWidget* entry = nullptr;
  std::string result;
  bool finished = false;
};

void on_input_response(GtkDialog* dialog, gint response, gpointer data) {
  auto* state = static_cast<InputState*>(data);
  if (response != GTK_RESPONSE_OK) return;
  state->result = gtk_entry_get_text(GTK_ENTRY(state->entry));
  gtk_widget_destroy(GTK_WIDGET(dialog));
}

// Return and keypad Enter anywhere in the dialog confirm it.
gboolean on_input_key(GtkWidget* dialog, GdkEventKey* event, gpointer) {
  if (event->keyval == GDK_KEY_Return || event->keyval == GDK_KEY_KP_Enter) {
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
    return TRUE;
  }
  return FALSE;
}

void on_input_destroy(GtkWidget*, gpointer data) { static_cast<InputState*>(data)->finished = true; }

void on_run_destroy(GtkWidget*, gpointer flag) { *static_cast<bool*>(flag) = true; }

// Runs the dialog; it may be destroyed meanwhile by someone else, which
// *destroyed tells. The caller holds a reference and drops it afterwards.
int run_dialog(GtkWidget* dialog, bool* destroyed) {
  g_object_ref(dialog);
  gulong handler = g_signal_connect(dialog, "destroy", G_CALLBACK(on_run_destroy), destroyed);
  int response = gtk_dialog_run(GTK_DIALOG(dialog));
  if (!*destroyed) g_signal_handler_disconnect(dialog, handler);
  return response;
}

// The filters of a pattern list "Text|*.a;*.b|Text2|*.c", in order.
struct FilterEntry {
  std::string name;
  std::vector<std::string> patterns;
};

std::vector<FilterEntry> parse_patterns(const String& patterns) {
  std::vector<String> parts;
  String part;
  for (char16_t c : patterns) {
    if (c == u'|') {
      parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (!patterns.empty()) parts.push_back(part);
  std::vector<FilterEntry> filters;
  for (size_t i = 0; i < parts.size(); i += 2) {
    FilterEntry filter;
    filter.name = string_to_utf8(parts[i]);
    if (i + 1 < parts.size()) {
      String pattern;
      String list = parts[i + 1] + u";";
      for (char16_t c : list) {
        if (c == u';') {
          if (!pattern.empty()) filter.patterns.push_back(pattern == u"*.*" ? "*" : string_to_utf8(pattern));
          pattern.clear();
        } else {
          pattern += c;
        }
      }
    }
    filters.push_back(filter);
  }
  return filters;
}

// The name with the options' extension, unless it ends in it (in any case).
String with_extension(const String& path, const SaveRequesterOptions* extra) {
  if (!extra || extra->extension.empty() || path.empty()) return path;
  int64_t n = string_length(extra->extension);
  if (string_length(path) > n && string_lower(string_right(path, n)) == string_lower(extra->extension)) return path;
  return path + extra->extension;
}

// True when the options want the question asked before path is taken.
bool ask_before_replacing(const String& path, const SaveRequesterOptions* extra) {
  return extra && !extra->replace_question.empty() &&
         g_file_test(string_to_utf8(path).c_str(), G_FILE_TEST_EXISTS);
}

String replace_text(const String& path, const SaveRequesterOptions& extra) {
  size_t slash = path.rfind(u'/');
  return string_replace(extra.replace_question, u"%1", slash == String::npos ? path : path.substr(slash + 1));
}

int show_message(GtkWindow* parent, const String& title, const String& text, int flags);

// The chooser's accept answer for a name that exists: the question, and on
// any answer but Yes the chooser stays open.
void on_save_response(GtkDialog* dialog, gint response, gpointer data) {
  auto* extra = static_cast<SaveRequesterOptions*>(data);
  if (response != GTK_RESPONSE_ACCEPT) return;
  gchar* name = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog));
  String path = with_extension(string_from_utf8(name), extra);
  g_free(name);
  if (!ask_before_replacing(path, extra)) return;
  if (show_message(GTK_WINDOW(dialog), extra->replace_title, replace_text(path, *extra), ButtonsYesNo | IconWarning) !=
      ResultYes)
    g_signal_stop_emission_by_name(dialog, "response");
}

// The choices below the file list, identified by their position.
void add_choices(GtkFileChooser* chooser, const std::vector<RequesterChoice>& choices) {
  for (size_t i = 0; i < choices.size(); i++) {
    const RequesterChoice& choice = choices[i];
    std::string id = "rx_choice_" + std::to_string(i);
    std::vector<std::string> ids, labels;
    for (size_t k = 0; k < choice.options.size(); k++) {
      ids.push_back(std::to_string(k));
      labels.push_back(string_to_utf8(choice.options[k]));
    }
    std::vector<const char*> id_list, label_list;
    for (size_t k = 0; k < ids.size(); k++) id_list.push_back(ids[k].c_str()), label_list.push_back(labels[k].c_str());
    id_list.push_back(nullptr), label_list.push_back(nullptr);
    bool box = choice.options.empty();
    gtk_file_chooser_add_choice(chooser, id.c_str(), string_to_utf8(choice.label).c_str(),
                                box ? nullptr : id_list.data(), box ? nullptr : label_list.data());
    std::string value = box ? (choice.selected ? "true" : "false") : std::to_string(choice.selected);
    gtk_file_chooser_set_choice(chooser, id.c_str(), value.c_str());
  }
}

void read_choices(GtkFileChooser* chooser, std::vector<RequesterChoice>& choices) {
  for (size_t i = 0; i < choices.size(); i++) {
    const char* value = gtk_file_chooser_get_choice(chooser, ("rx_choice_" + std::to_string(i)).c_str());
    if (!value) continue;
    std::string v = value;
    choices[i].selected = choices[i].options.empty() ? v == "true" : std::atoi(v.c_str());
  }
}

// The hook answers a save requester with options as the dialog would: the
// extension is added, and a name that exists is asked about, again and
// again while the answer is not Yes (at most 100 times).
String hooked_save(const RequesterCall& call) {
  for (int round = 0; round < 100; round++) {
    RequesterAnswer answer = Hook(call);
    LastPatternIndex = answer.result;
    String path = with_extension(answer.text, call.save);
    if (path.empty() || !ask_before_replacing(path, call.save)) return path;
    RequesterCall question{RequesterKind::Message, call.save->replace_title, replace_text(path, *call.save),
                           String(), String(), 0, ButtonsYesNo | IconWarning};
    if (Hook(question).result == ResultYes) return path;
  }
  return String();
}

String file_requester(bool save, const String& title, const String& default_path, const String& patterns,
                      int pattern_index, int flags, SaveRequesterOptions* extra = nullptr) {
  if (Hook) {
    RequesterCall call{save ? RequesterKind::SaveFile : RequesterKind::OpenFile, title, String(), default_path,
                       patterns, pattern_index, flags, extra};
    if (extra) return hooked_save(call);
    RequesterAnswer answer = Hook(call);
    LastPatternIndex = answer.result;
    return answer.text;
  }
  if (!runtime_has_display() || ToStandardError) return String();
  GtkWidget* dialog = gtk_file_chooser_dialog_new(
      string_to_utf8(title).c_str(), nullptr, save ? GTK_FILE_CHOOSER_ACTION_SAVE : GTK_FILE_CHOOSER_ACTION_OPEN,
      "gtk-cancel", GTK_RESPONSE_CANCEL, save ? "gtk-save" : "gtk-open", GTK_RESPONSE_ACCEPT, nullptr);
  if (!dialog) return String();
  GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);

  std::string path = string_to_utf8(default_path);
  if (!path.empty()) {
    if (path.back() == '/') {
      gtk_file_chooser_set_current_folder(chooser, path.c_str());
    } else {
      gtk_file_chooser_set_filename(chooser, path.c_str());
      if (save) {
        size_t slash = path.rfind('/');
        std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
        gtk_file_chooser_set_current_name(chooser, name.c_str());
      }
    }
  }
  if (!save && (flags & 1)) gtk_file_chooser_set_select_multiple(chooser, TRUE);

  int index = 0;
  for (const FilterEntry& entry : parse_patterns(patterns)) {
    GtkFileFilter* filter = gtk_file_filter_new();
    gtk_file_filter_set_name(filter, entry.name.c_str());
    for (const std::string& pattern : entry.patterns) gtk_file_filter_add_pattern(filter, pattern.c_str());
    g_object_set_data(G_OBJECT(filter), "rx_index", GINT_TO_POINTER(index));
    gtk_file_chooser_add_filter(chooser, filter);
    if (index == pattern_index) gtk_file_chooser_set_filter(chooser, filter);
    ++index;
  }

  if (extra) {
    add_choices(chooser, extra->choices);
    g_signal_connect(dialog, "response", G_CALLBACK(on_save_response), extra);
  }

  String result;
  bool destroyed = false;
  int response = run_dialog(dialog, &destroyed);
  if (!destroyed) {
    if (response == GTK_RESPONSE_ACCEPT) {
      GSList* names = gtk_file_chooser_get_filenames(chooser);
      if (names && names->data) result = string_from_utf8(static_cast<const char*>(names->data));
      g_slist_free_full(names, g_free);
      if (extra && !result.empty()) {
        result = with_extension(result, extra);
        read_choices(chooser, extra->choices);
      }
    }
    GtkFileFilter* active = gtk_file_chooser_get_filter(chooser);
    LastPatternIndex = active ? GPOINTER_TO_INT(g_object_get_data(G_OBJECT(active), "rx_index")) : 0;
    gtk_widget_destroy(dialog);
  } else {
    LastPatternIndex = 0;
  }
  g_object_unref(dialog);
  toolkit_flush();
  return result;
}

}  // namespace

namespace {

int show_message(GtkWindow* parent, const String& title, const String& text, int flags) {
  GtkMessageType type = GTK_MESSAGE_OTHER;
  if (flags & IconInfo)
    type = GTK_MESSAGE_INFO;
  else if (flags & IconWarning)
    type = GTK_MESSAGE_WARNING;
  else if (flags & IconError)
    type = GTK_MESSAGE_ERROR;
  GtkButtonsType buttons = GTK_BUTTONS_OK;
  bool with_cancel = false;
  if (flags & ButtonsYesNo) {
    buttons = GTK_BUTTONS_YES_NO;
  } else if (flags & ButtonsYesNoCancel) {
    buttons = GTK_BUTTONS_YES_NO;
    with_cancel = true;
  }
  // The text goes through "%s": no markup, no format characters.
  GtkWidget* dialog =
      gtk_message_dialog_new(parent, GTK_DIALOG_MODAL, type, buttons, "%s", string_to_utf8(text).c_str());
  if (!dialog) return 0;
  if (with_cancel) gtk_dialog_add_button(GTK_DIALOG(dialog), "_Cancel", GTK_RESPONSE_CANCEL);
  gtk_window_set_title(GTK_WINDOW(dialog), string_to_utf8(title).c_str());
  bool destroyed = false;
  int response = run_dialog(dialog, &destroyed);
  int result = 0;
  if (response == GTK_RESPONSE_YES && buttons == GTK_BUTTONS_YES_NO) result = ResultYes;
  if (response == GTK_RESPONSE_NO && buttons == GTK_BUTTONS_YES_NO) result = ResultNo;
  if (response == GTK_RESPONSE_CANCEL && with_cancel) result = ResultCancel;
  if (response == GTK_RESPONSE_OK && buttons == GTK_BUTTONS_OK) result = ResultOk;
  if (!destroyed) gtk_widget_destroy(dialog);
  g_object_unref(dialog);
  toolkit_flush();
  return result;
}

}  // namespace

int message_requester(const String& title, const String& text, int flags) {
  if (Hook) {
    RequesterCall call{RequesterKind::Message, title, text, String(), String(), 0, flags};
    return Hook(call).result;
  }
  if (ToStandardError) {
    std::fprintf(stderr, "%s: %s\n", StandardErrorPrefix.c_str(), string_to_utf8(text).c_str());
    return 0;
  }
  if (!runtime_has_display()) return 0;
  return show_message(nullptr, title, text, flags);
}

String input_requester(const String& title, const String& prompt, const String& default_text, int flags) {
  if (Hook) {
    RequesterCall call{RequesterKind::Input, title, prompt, default_text, String(), 0, flags};
    return Hook(call).text;
  }
  if (!runtime_has_display() || ToStandardError) return String();
  GtkWidget* dialog = gtk_dialog_new();
  if (!dialog) return String();
  InputState state;
  gtk_window_set_title(GTK_WINDOW(dialog), string_to_utf8(title).c_str());
  GtkWidget* content = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
  gtk_box_set_spacing(GTK_BOX(content), 5);
  GtkWidget* label = gtk_label_new(string_to_utf8(prompt).c_str());
  gtk_widget_set_margin_start(label, 10);
  gtk_widget_set_margin_end(label, 10);
  gtk_widget_set_margin_top(label, 10);
  gtk_widget_set_margin_bottom(label, 10);
  gtk_box_pack_start(GTK_BOX(content), label, FALSE, FALSE, 0);
  state.entry = gtk_entry_new();
  gtk_entry_set_text(GTK_ENTRY(state.entry), string_to_utf8(default_text).c_str());
  if (flags & 1) gtk_entry_set_visibility(GTK_ENTRY(state.entry), FALSE);
  gtk_box_pack_start(GTK_BOX(content), state.entry, FALSE, FALSE, 0);
  gtk_dialog_add_button(GTK_DIALOG(dialog), "gtk-ok", GTK_RESPONSE_OK);
  gtk_window_set_default_size(GTK_WINDOW(dialog), 250, 50);
  gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
  g_signal_connect(dialog, "response", G_CALLBACK(on_input_response), &state);
  g_signal_connect(dialog, "key-press-event", G_CALLBACK(on_input_key), nullptr);
  g_signal_connect(dialog, "destroy", G_CALLBACK(on_input_destroy), &state);
  gtk_widget_show_all(dialog);
  gtk_widget_grab_focus(state.entry);
  // OK takes the text and destroys the dialog; closing it from the frame
  // destroys it with the result still empty.
  while (!state.finished) gtk_main_iteration();
  toolkit_flush();
  return string_from_utf8(state.result);
}

String open_file_requester(const String& title, const String& default_path, const String& patterns,
                           int pattern_index, int flags) {
  return file_requester(false, title, default_path, patterns, pattern_index, flags);
}

String save_file_requester(const String& title, const String& default_path, const String& patterns,
                           int pattern_index) {
  return file_requester(true, title, default_path, patterns, pattern_index, 0);
}

String save_file_requester(const String& title, const String& default_path, const String& patterns,
                           int pattern_index, SaveRequesterOptions& options) {
  return file_requester(true, title, default_path, patterns, pattern_index, 0, &options);
}

int selected_file_pattern() { return LastPatternIndex; }

void requester_set_hook(RequesterHook hook) { Hook = std::move(hook); }

void requesters_to_standard_error(const String& prefix) {
  ToStandardError = true;
  StandardErrorPrefix = string_to_utf8(prefix);
}
