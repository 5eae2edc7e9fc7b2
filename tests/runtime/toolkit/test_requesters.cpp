// Requesters as real GTK dialogs: a timeout finds the dialog while the
// requester waits and answers it.
#include <gtest/gtest.h>

#include <glib/gstdio.h>

#include <string>

#include "runtime/toolkit/requesters.h"
#include "support/gui.h"

namespace {

TEST(Requesters, MessageBoxGivesSixSevenCancelOkAndZeroWhenClosed) {
  GUI_REQUIRE();
  const struct { int flags, response, result; } cases[] = {  // response GTK_RESPONSE_NONE: closed from the frame
      {ButtonsYesNo, GTK_RESPONSE_YES, ResultYes},      {ButtonsYesNo, GTK_RESPONSE_NO, ResultNo},
      {ButtonsYesNo, GTK_RESPONSE_NONE, 0},             {ButtonsYesNoCancel | IconWarning, GTK_RESPONSE_CANCEL, ResultCancel},
      {IconError, GTK_RESPONSE_OK, ResultOk}};
  for (auto c : cases) {
    std::string text;
    gui_when_toplevel(GTK_TYPE_MESSAGE_DIALOG, [&](GtkWidget* dialog) {
      gchar* shown = nullptr;
      g_object_get(dialog, "text", &shown, nullptr);
      text = shown ? shown : "";
      g_free(shown);
      if (c.response == GTK_RESPONSE_NONE) return gui_delete(dialog);
      GtkWidget* button = gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), c.response);
      ASSERT_NE(button, nullptr) << c.response;
      gtk_button_clicked(GTK_BUTTON(button));
    });
    EXPECT_EQ(message_requester(u"Tavrel", u"Soll er %s <b>gespeichert</b> werden?", c.flags), c.result);
    EXPECT_EQ(text, "Soll er %s <b>gespeichert</b> werden?");  // no format, no markup
  }
}

TEST(Requesters, InputTakesTheEntryOnReturnOrKeypadEnterAndGivesEmptyWhenClosed) {
  GUI_REQUIRE();
  const struct { guint key; const char16_t* result; } cases[] = {  // key 0: closed from the frame
      {GDK_KEY_Return, u"Grimm"}, {GDK_KEY_KP_Enter, u"Grimm"}, {0, u""}};
  for (auto c : cases) {
    std::string prompt, shown;
    gui_when_toplevel(GTK_TYPE_DIALOG, [&](GtkWidget* dialog) {
      prompt = gtk_label_get_text(GTK_LABEL(gui_find_child(dialog, GTK_TYPE_LABEL)));
      GtkWidget* entry = gui_find_child(dialog, GTK_TYPE_ENTRY);
      shown = gtk_entry_get_text(GTK_ENTRY(entry));
      gtk_entry_set_text(GTK_ENTRY(entry), "Grimm");
      c.key ? gui_key(entry, c.key) : gui_delete(dialog);
    });
    EXPECT_EQ(input_requester(u"Grabstein", u"Name des Helden:", u"Björn"), c.result);
    EXPECT_EQ(prompt + " " + shown, "Name des Helden: Björn");
  }
}

// What a file chooser shows once it has loaded its folder in the background:
// the folder, the current name, the active filter's name and the filter count.
std::string shown(GtkWidget* dialog) {
  GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
  gchar* folder = nullptr;
  gui_wait_until([&] { return (folder = gtk_file_chooser_get_current_folder(chooser)) != nullptr; });
  gchar* name = gtk_file_chooser_get_action(chooser) == GTK_FILE_CHOOSER_ACTION_SAVE ? gtk_file_chooser_get_current_name(chooser) : nullptr;
  GSList* filters = gtk_file_chooser_list_filters(chooser);
  std::string out = std::string(folder ? folder : "") + " " + (name ? name : "") + " " +
                    gtk_file_filter_get_name(gtk_file_chooser_get_filter(chooser)) + " " + std::to_string(g_slist_length(filters));
  g_slist_free(filters);
  g_free(folder);
  g_free(name);
  return out;
}

TEST(Requesters, FileRequestersShowFolderNameAndFilterAndGiveTheChosenFile) {
  GUI_REQUIRE();
  gchar* folder = g_dir_make_tmp("tavrel-req-XXXXXX", nullptr);
  std::string file = std::string(folder) + "/alt.gls", seen;
  g_file_set_contents(file.c_str(), "x", 1, nullptr);
  gui_when_toplevel(GTK_TYPE_FILE_CHOOSER_DIALOG, [&](GtkWidget* dialog) {
    seen = shown(dialog);
    gtk_file_chooser_select_filename(GTK_FILE_CHOOSER(dialog), file.c_str());
    gui_wait_until([&] {
      gchar* name = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog));
      g_free(name);
      return name != nullptr;
    });
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
  });
  String chosen = open_file_requester(u"Spiel laden", string_from_utf8(std::string(folder) + "/"),
                                      u"Partyaufstellung (*.tvf)|*.tvf|Altes Dateiformat (*.gls)|*.gls|Alle|*.*", 1);
  EXPECT_EQ(seen, std::string(folder) + "  Altes Dateiformat (*.gls) 3");
  EXPECT_EQ(chosen, string_from_utf8(file));

  std::string plan = std::string(folder) + "/plan.tvf";
  for (int response : {GTK_RESPONSE_CANCEL, GTK_RESPONSE_ACCEPT}) {
    gui_when_toplevel(GTK_TYPE_FILE_CHOOSER_DIALOG, [&](GtkWidget* dialog) {
      seen = shown(dialog);
      gtk_dialog_response(GTK_DIALOG(dialog), response);
    });
    String result = save_file_requester(u"Spiel speichern", string_from_utf8(plan), u"A|*.a|B|*.tvf", 1);
    EXPECT_EQ(result, response == GTK_RESPONSE_ACCEPT ? string_from_utf8(plan) : u"");
    EXPECT_EQ(seen, std::string(folder) + " plan.tvf B 2");
    EXPECT_EQ(selected_file_pattern(), 1);
  }
  g_remove(file.c_str());
  g_rmdir(folder);
  g_free(folder);
}

}  // namespace
