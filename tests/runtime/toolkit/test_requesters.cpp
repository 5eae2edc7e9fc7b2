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
      {ButtonsYesNo, GTK_RESPONSE_YES, ResultYes}, {ButtonsYesNo, GTK_RESPONSE_NO, ResultNo},
      {ButtonsYesNo, GTK_RESPONSE_NONE, 0},        {ButtonsYesNoCancel | IconWarning, GTK_RESPONSE_CANCEL, ResultCancel},
      {IconError, GTK_RESPONSE_OK, ResultOk}};
  for (auto c : cases) {
    gchar* text = nullptr;
    gui_when_toplevel(GTK_TYPE_MESSAGE_DIALOG, [&](GtkWidget* dialog) {
      g_object_get(dialog, "text", &text, nullptr);
      if (c.response == GTK_RESPONSE_NONE) return gui_delete(dialog);
      gtk_button_clicked(GTK_BUTTON(gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), c.response)));
    });
    EXPECT_EQ(message_requester(u"Tavrel", u"Soll er %s <b>gespeichert</b> werden?", c.flags), c.result);
    EXPECT_STREQ(text, "Soll er %s <b>gespeichert</b> werden?");  // no format, no markup
    g_free(text);
  }
}

TEST(Requesters, InputTakesTheEntryOnReturnOrKeypadEnterAndGivesEmptyWhenClosed) {
  GUI_REQUIRE();
  const struct { guint key; const char16_t* result; } cases[] = {  // key 0: closed from the frame
      {GDK_KEY_Return, u"Grimm"}, {GDK_KEY_KP_Enter, u"Grimm"}, {0, u""}};
  for (auto c : cases) {
    std::string shown;
    gui_when_toplevel(GTK_TYPE_DIALOG, [&](GtkWidget* dialog) {
      GtkWidget* entry = gui_find_child(dialog, GTK_TYPE_ENTRY);
      shown = gtk_label_get_text(GTK_LABEL(gui_find_child(dialog, GTK_TYPE_LABEL))) + std::string(" ") +
              gtk_entry_get_text(GTK_ENTRY(entry));
      gtk_entry_set_text(GTK_ENTRY(entry), "Grimm");
      c.key ? gui_key(entry, c.key) : gui_delete(dialog);
    });
    EXPECT_EQ(input_requester(u"Grabstein", u"Name des Helden:", u"Björn"), c.result);
    EXPECT_EQ(shown, "Name des Helden: Björn");
  }
}

TEST(Requesters, FileRequestersShowTheFolderTheNameAndTheFilterAndGiveThePath) {
  GUI_REQUIRE();
  gchar* folder = g_dir_make_tmp("tavrel-req-XXXXXX", nullptr);
  const std::string plan = std::string(folder) + "/plan.tvf";
  const struct { bool save; std::string path; int response; String result; std::string shown; } cases[] = {
      {false, std::string(folder) + "/", GTK_RESPONSE_CANCEL, u"", std::string(folder) + "  Alt (*.gls) 3"},
      {true, plan, GTK_RESPONSE_CANCEL, u"", std::string(folder) + " plan.tvf Alt (*.gls) 3"},
      {true, plan, GTK_RESPONSE_ACCEPT, string_from_utf8(plan), std::string(folder) + " plan.tvf Alt (*.gls) 3"}};
  for (const auto& c : cases) {
    std::string shown;
    gui_when_toplevel(GTK_TYPE_FILE_CHOOSER_DIALOG, [&](GtkWidget* dialog) {
      // The chooser loads its folder in the background: wait for it.
      GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
      gchar* current = nullptr;
      gui_wait_until([&] { return (current = gtk_file_chooser_get_current_folder(chooser)) != nullptr; });
      gchar* name = c.save ? gtk_file_chooser_get_current_name(chooser) : nullptr;
      GSList* filters = gtk_file_chooser_list_filters(chooser);
      shown = std::string(current ? current : "") + " " + (name ? name : "") + " " +
              gtk_file_filter_get_name(gtk_file_chooser_get_filter(chooser)) + " " + std::to_string(g_slist_length(filters));
      g_slist_free(filters), g_free(current), g_free(name);
      gtk_dialog_response(GTK_DIALOG(dialog), c.response);
    });
    const String patterns = u"Partyaufstellung (*.tvf)|*.tvf|Alt (*.gls)|*.gls|Alle|*.*";
    String result = c.save ? save_file_requester(u"Spiel speichern", string_from_utf8(c.path), patterns, 1)
                           : open_file_requester(u"Spiel laden", string_from_utf8(c.path), patterns, 1);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(shown, c.shown);
    EXPECT_EQ(selected_file_pattern(), 1);
  }
  g_rmdir(folder);
  g_free(folder);
}

}  // namespace
