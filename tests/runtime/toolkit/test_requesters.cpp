// Requesters as real GTK dialogs: the test finds the dialog from a timeout while
// the requester waits, answers it and checks the result.
#include <gtest/gtest.h>

#include <glib/gstdio.h>

#include <cstring>
#include <string>

#include "runtime/toolkit/requesters.h"
#include "runtime/toolkit/windows.h"
#include "support/gui.h"

namespace {

class Requesters : public testing::Test {
 protected:
  void SetUp() override {
    GUI_REQUIRE();
    requester_set_hook(nullptr);
    gui_discard_events();
  }
  void TearDown() override {
    requester_set_hook(nullptr);
    window_close(-1);
  }
};

std::string message_text(GtkWidget* dialog) {
  gchar* text = nullptr;
  g_object_get(dialog, "text", &text, nullptr);
  std::string out = text ? text : "";
  g_free(text);
  return out;
}

TEST_F(Requesters, MessageBoxAnswersYesNoAndClosedAsSixSevenAndZero) {
  std::string seen_text, seen_title;
  GtkMessageType seen_type = GTK_MESSAGE_INFO;
  gui_when_toplevel(GTK_TYPE_MESSAGE_DIALOG, [&](GtkWidget* dialog) {
    seen_text = message_text(dialog);
    seen_title = gtk_window_get_title(GTK_WINDOW(dialog));
    g_object_get(dialog, "message-type", &seen_type, nullptr);
    GtkWidget* yes = gui_find_button(dialog, "Yes");
    ASSERT_NE(yes, nullptr);
    gtk_button_clicked(GTK_BUTTON(yes));
  });
  EXPECT_EQ(message_requester(u"Tavrel", u"Soll er %s <b>gespeichert</b> werden?", ButtonsYesNo), ResultYes);
  EXPECT_EQ(seen_text, "Soll er %s <b>gespeichert</b> werden?");  // no format, no markup
  EXPECT_EQ(seen_title, "Tavrel");
  EXPECT_EQ(seen_type, GTK_MESSAGE_OTHER);

  gui_when_toplevel(GTK_TYPE_MESSAGE_DIALOG, [](GtkWidget* dialog) {
    gtk_button_clicked(GTK_BUTTON(gui_find_button(dialog, "No")));
  });
  EXPECT_EQ(message_requester(u"Tavrel", u"Entfernen?", ButtonsYesNo), ResultNo);

  gui_when_toplevel(GTK_TYPE_MESSAGE_DIALOG, [](GtkWidget* dialog) { gui_delete(dialog); });
  EXPECT_EQ(message_requester(u"Tavrel", u"Entfernen?", ButtonsYesNo), 0);
  EXPECT_EQ(gui_find_toplevel(GTK_TYPE_MESSAGE_DIALOG), nullptr);
}

TEST_F(Requesters, MessageBoxIconAndCancelButton) {
  GtkMessageType type = GTK_MESSAGE_OTHER;
  gui_when_toplevel(GTK_TYPE_MESSAGE_DIALOG, [&](GtkWidget* dialog) {
    g_object_get(dialog, "message-type", &type, nullptr);
    GtkWidget* cancel = gui_find_button(dialog, "Cancel");
    ASSERT_NE(cancel, nullptr);
    gtk_button_clicked(GTK_BUTTON(cancel));
  });
  EXPECT_EQ(message_requester(u"t", u"x", ButtonsYesNoCancel | IconWarning | IconError), ResultCancel);
  EXPECT_EQ(type, GTK_MESSAGE_WARNING);

  bool has_no = true;
  gui_when_toplevel(GTK_TYPE_MESSAGE_DIALOG, [&](GtkWidget* dialog) {
    g_object_get(dialog, "message-type", &type, nullptr);
    has_no = gui_find_button(dialog, "No") != nullptr;
    gtk_button_clicked(GTK_BUTTON(gui_find_button(dialog, "OK")));
  });
  EXPECT_EQ(message_requester(u"Tavrel", u"Datei kaputt", IconError), ResultOk);
  EXPECT_EQ(type, GTK_MESSAGE_ERROR);
  EXPECT_FALSE(has_no);
}

TEST_F(Requesters, InputReturnsTheDefaultTextWhenConfirmedAtOnce) {
  std::string prompt;
  int width = 0;
  gui_when_toplevel(GTK_TYPE_DIALOG, [&](GtkWidget* dialog) {
    GtkWidget* label = gui_find_child(dialog, GTK_TYPE_LABEL);
    if (label) prompt = gtk_label_get_text(GTK_LABEL(label));
    gtk_window_get_default_size(GTK_WINDOW(dialog), &width, nullptr);
    GtkWidget* ok = gui_find_button(dialog, "OK");
    ASSERT_NE(ok, nullptr);
    gtk_button_clicked(GTK_BUTTON(ok));
  });
  EXPECT_EQ(input_requester(u"Grabstein", u"Name des Helden:", u"Björn"), u"Björn");
  EXPECT_EQ(prompt, "Name des Helden:");
  EXPECT_EQ(width, 250);
}

TEST_F(Requesters, InputReturnKeyTakesTheEntrysText) {
  gui_when_toplevel(GTK_TYPE_DIALOG, [](GtkWidget* dialog) {
    GtkWidget* entry = gui_find_child(dialog, GTK_TYPE_ENTRY);
    ASSERT_NE(entry, nullptr);
    gtk_entry_set_text(GTK_ENTRY(entry), "Grimm");
    gui_key(entry, GDK_KEY_Return);
  });
  EXPECT_EQ(input_requester(u"t", u"p", u""), u"Grimm");

  gui_when_toplevel(GTK_TYPE_DIALOG, [](GtkWidget* dialog) {
    gtk_entry_set_text(GTK_ENTRY(gui_find_child(dialog, GTK_TYPE_ENTRY)), "Kp");
    gui_key(dialog, GDK_KEY_KP_Enter);
  });
  EXPECT_EQ(input_requester(u"t", u"p", u"x"), u"Kp");
}

TEST_F(Requesters, InputClosedFromTheFrameGivesEmptyTextEvenWithText) {
  gui_when_toplevel(GTK_TYPE_DIALOG, [](GtkWidget* dialog) {
    gtk_entry_set_text(GTK_ENTRY(gui_find_child(dialog, GTK_TYPE_ENTRY)), "verloren");
    gui_delete(dialog);
  });
  EXPECT_EQ(input_requester(u"t", u"p", u"vorgabe"), u"");
  EXPECT_EQ(gui_find_toplevel(GTK_TYPE_DIALOG), nullptr);
}

TEST_F(Requesters, InputTypedWithTheKeyboardWhenFocused) {
  bool focused = false;
  gui_when_toplevel(GTK_TYPE_DIALOG, [&](GtkWidget* dialog) {
    focused = gui_focus(dialog, 1500);
    GtkWidget* entry = gui_find_child(dialog, GTK_TYPE_ENTRY);
    if (focused) {
      gtk_editable_delete_text(GTK_EDITABLE(entry), 0, -1);
      gui_type(entry, "Ödön 7");
    } else {
      gtk_entry_set_text(GTK_ENTRY(entry), "Ödön 7");
    }
    gui_key(dialog, GDK_KEY_Return);
  });
  String text = input_requester(u"t", u"p", u"weg");
  if (!focused) GTEST_SKIP() << "no window manager gave the dialog the keyboard focus";
  EXPECT_EQ(text, u"Ödön 7");
}

// The chooser loads folders in the background: wait for what it shows.
std::string current_folder(GtkFileChooser* chooser) {
  std::string folder;
  gui_wait_until([&] {
    gchar* current = gtk_file_chooser_get_current_folder(chooser);
    folder = current ? current : "";
    g_free(current);
    return !folder.empty();
  });
  return folder;
}

TEST_F(Requesters, OpenRequesterShowsTheFolderAndTheChosenFilter) {
  gchar* folder = g_dir_make_tmp("tavrel-req-XXXXXX", nullptr);
  ASSERT_NE(folder, nullptr);
  std::string file = std::string(folder) + "/alt.gls";
  g_file_set_contents(file.c_str(), "x", 1, nullptr);
  std::string seen_folder, seen_filter, seen_title;
  int filters = 0;
  bool star_matches_any = false;
  gui_when_toplevel(GTK_TYPE_FILE_CHOOSER_DIALOG, [&](GtkWidget* dialog) {
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    seen_title = gtk_window_get_title(GTK_WINDOW(dialog));
    seen_folder = current_folder(chooser);
    GtkFileFilter* filter = gtk_file_chooser_get_filter(chooser);
    seen_filter = filter ? gtk_file_filter_get_name(filter) : "";
    GSList* list = gtk_file_chooser_list_filters(chooser);
    filters = static_cast<int>(g_slist_length(list));
    if (filters == 3) {
      GtkFileFilter* all = GTK_FILE_FILTER(g_slist_nth_data(list, 2));
      GtkFileFilterInfo info{};
      info.contains = GTK_FILE_FILTER_DISPLAY_NAME;
      info.display_name = "readme";
      star_matches_any = gtk_file_filter_filter(all, &info);
    }
    g_slist_free(list);
    gtk_file_chooser_select_filename(chooser, file.c_str());
    gui_wait_until([&] {
      gchar* name = gtk_file_chooser_get_filename(chooser);
      bool selected = name != nullptr;
      g_free(name);
      return selected;
    });
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
  });
  String chosen = open_file_requester(u"Spiel laden", string_from_utf8(std::string(folder) + "/"),
                                      u"Partyaufstellung (*.tvf)|*.tvf|Altes Dateiformat (*.gls)|*.gls|Alle|*.*", 1);
  EXPECT_EQ(seen_title, "Spiel laden");
  EXPECT_EQ(seen_folder, folder);
  EXPECT_EQ(seen_filter, "Altes Dateiformat (*.gls)");
  EXPECT_EQ(filters, 3);
  EXPECT_TRUE(star_matches_any);
  EXPECT_EQ(selected_file_pattern(), 1);
  EXPECT_EQ(chosen, string_from_utf8(file));
  g_remove(file.c_str());
  g_rmdir(folder);
  g_free(folder);
}

TEST_F(Requesters, ADialogDestroyedWhileItRunsIsNotTouchedAgain) {
  gui_when_toplevel(GTK_TYPE_FILE_CHOOSER_DIALOG, [](GtkWidget* dialog) { gtk_widget_destroy(dialog); });
  EXPECT_EQ(open_file_requester(u"t", u"", u"", 0), u"");
  EXPECT_EQ(selected_file_pattern(), 0);
  gui_when_toplevel(GTK_TYPE_MESSAGE_DIALOG, [](GtkWidget* dialog) { gtk_widget_destroy(dialog); });
  EXPECT_EQ(message_requester(u"t", u"x", ButtonsYesNo), 0);
  gui_when_toplevel(GTK_TYPE_DIALOG, [](GtkWidget* dialog) { gtk_widget_destroy(dialog); });
  EXPECT_EQ(input_requester(u"t", u"p", u"d"), u"");
}

TEST_F(Requesters, SaveRequesterPutsTheNameIntoTheNameFieldAndCancelGivesEmpty) {
  gchar* folder = g_dir_make_tmp("tavrel-req-XXXXXX", nullptr);
  ASSERT_NE(folder, nullptr);
  std::string path = std::string(folder) + "/plan.tvf";
  std::string name, seen_folder;
  gui_when_toplevel(GTK_TYPE_FILE_CHOOSER_DIALOG, [&](GtkWidget* dialog) {
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    gchar* current = gtk_file_chooser_get_current_name(chooser);
    name = current ? current : "";
    g_free(current);
    seen_folder = current_folder(chooser);
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL);
  });
  String result = save_file_requester(u"Spiel speichern", string_from_utf8(path), u"Partyaufstellung (*.tvf)|*.tvf", 0);
  EXPECT_EQ(result, u"");
  EXPECT_EQ(name, "plan.tvf");
  EXPECT_EQ(seen_folder, folder);
  EXPECT_EQ(selected_file_pattern(), 0);

  gui_when_toplevel(GTK_TYPE_FILE_CHOOSER_DIALOG, [&](GtkWidget* dialog) {
    current_folder(GTK_FILE_CHOOSER(dialog));
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
  });
  result = save_file_requester(u"Spiel speichern", string_from_utf8(path), u"Partyaufstellung (*.tvf)|*.tvf", 0);
  EXPECT_EQ(result, string_from_utf8(path));
  g_rmdir(folder);
  g_free(folder);
}

TEST_F(Requesters, HookAnswersWithoutOpeningADialog) {
  std::vector<RequesterCall> calls;
  requester_set_hook([&](const RequesterCall& call) {
    calls.push_back(call);
    RequesterAnswer answer;
    answer.result = call.kind == RequesterKind::Message ? ResultNo : 1;
    answer.text = u"/tmp/x.tvf";
    return answer;
  });
  EXPECT_EQ(message_requester(u"Tavrel", u"Frage", ButtonsYesNo), ResultNo);
  EXPECT_EQ(input_requester(u"t", u"Name:", u"Vorgabe"), u"/tmp/x.tvf");
  EXPECT_EQ(save_file_requester(u"s", u"/tmp/", u"A|*.a|B|*.b", 1), u"/tmp/x.tvf");
  EXPECT_EQ(selected_file_pattern(), 1);
  EXPECT_EQ(gui_find_toplevel(GTK_TYPE_DIALOG), nullptr);
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].kind, RequesterKind::Message);
  EXPECT_EQ(calls[0].text, u"Frage");
  EXPECT_EQ(calls[0].flags, ButtonsYesNo);
  EXPECT_EQ(calls[1].default_text, u"Vorgabe");
  EXPECT_EQ(calls[2].kind, RequesterKind::SaveFile);
  EXPECT_EQ(calls[2].patterns, u"A|*.a|B|*.b");
  EXPECT_EQ(calls[2].pattern_index, 1);
}

}  // namespace
