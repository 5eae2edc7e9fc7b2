// Requesters as real GTK dialogs: a timeout finds the dialog while the
// requester waits and answers it.
#include <gtest/gtest.h>

#include <glib/gstdio.h>

#include <string>

#include "runtime/toolkit/requesters.h"
#include "support/gui.h"

namespace {

TEST(Requesters, MessageAndInputAnswers) {
  GUI_REQUIRE();
  const struct { int flags, response, result; } cases[] = {  // response 0: closed from the frame
      {ButtonsYesNo, GTK_RESPONSE_YES, ResultYes}, {ButtonsYesNo, GTK_RESPONSE_NO, ResultNo}, {ButtonsYesNo, 0, 0},
      {ButtonsYesNoCancel | IconWarning, GTK_RESPONSE_CANCEL, ResultCancel}, {IconError, GTK_RESPONSE_OK, ResultOk}};
  for (auto c : cases) {
    gchar* text = nullptr;
    gui_when_toplevel(GTK_TYPE_MESSAGE_DIALOG, [&](GtkWidget* dialog) {
      g_object_get(dialog, "text", &text, nullptr);
      if (!c.response) return gui_delete(dialog);
      gtk_button_clicked(GTK_BUTTON(gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), c.response)));
    });
    EXPECT_EQ(message_requester(u"Tavrel", u"Soll er %s <b>gespeichert</b> werden?", c.flags), c.result);
    EXPECT_STREQ(text, "Soll er %s <b>gespeichert</b> werden?");  // no format, no markup
    g_free(text);
  }

  // The input requester takes the entry on Return or keypad Enter; closed, it gives "".
  const struct { guint key; const char16_t* result; } inputs[] = {  // key 0: closed from the frame
      {GDK_KEY_Return, u"Grimm"}, {GDK_KEY_KP_Enter, u"Grimm"}, {0, u""}};
  for (auto c : inputs) {
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
  for (int response : {GTK_RESPONSE_CANCEL, GTK_RESPONSE_ACCEPT}) {
    std::string shown;
    gui_when_toplevel(GTK_TYPE_FILE_CHOOSER_DIALOG, [&](GtkWidget* dialog) {
      GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
      gchar *name = gtk_file_chooser_get_current_name(chooser), *current = nullptr;  // the folder loads later
      gui_wait_until([&] { return (current = gtk_file_chooser_get_current_folder(chooser)) != nullptr; });
      shown = std::string(current ? current : "") + "/" + (name ? name : "") + " " +
              gtk_file_filter_get_name(gtk_file_chooser_get_filter(chooser));
      g_free(name), g_free(current);
      gtk_dialog_response(GTK_DIALOG(dialog), response);
    });
    String result = save_file_requester(u"Spiel speichern", string_from_utf8(plan), u"Neu|*.tvf|Alt (*.gls)|*.gls", 1);
    EXPECT_EQ(result, response == GTK_RESPONSE_ACCEPT ? string_from_utf8(plan) : u"");
    EXPECT_EQ(shown, plan + " Alt (*.gls)");
    EXPECT_EQ(selected_file_pattern(), 1);
  }
  g_rmdir(folder), g_free(folder);
}

}  // namespace
