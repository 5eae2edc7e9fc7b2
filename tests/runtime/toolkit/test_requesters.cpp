// Requesters as real GTK dialogs: a timeout finds the dialog while the
// requester waits and answers it.
#include <gtest/gtest.h>

#include <glib/gstdio.h>

#include <string>

#include "runtime/toolkit/requesters.h"
#include "support/gui.h"

namespace {

class Requesters : public testing::Test {
 protected:
  void SetUp() override {
    GUI_REQUIRE();
    folder_ = g_dir_make_tmp("tavrel-req-XXXXXX", nullptr);
    ASSERT_NE(folder_, nullptr);
  }
  void TearDown() override {
    requester_set_hook(nullptr);
    if (folder_) g_rmdir(folder_);
    g_free(folder_);
  }
  gchar* folder_ = nullptr;
};

TEST_F(Requesters, MessageBoxGivesSixSevenCancelOkAndZeroWhenClosed) {
  struct {
    int flags;
    int response;  // the button clicked; GTK_RESPONSE_NONE: closed from the frame
    int result;
  } cases[] = {{ButtonsYesNo, GTK_RESPONSE_YES, ResultYes},
               {ButtonsYesNo, GTK_RESPONSE_NO, ResultNo},
               {ButtonsYesNo, GTK_RESPONSE_NONE, 0},
               {ButtonsYesNoCancel | IconWarning, GTK_RESPONSE_CANCEL, ResultCancel},
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
  EXPECT_EQ(gui_find_toplevel(GTK_TYPE_MESSAGE_DIALOG), nullptr);
}

TEST_F(Requesters, InputTakesTheEntryOnReturnOrKeypadEnterAndGivesEmptyWhenClosed) {
  struct {
    guint key;  // 0: closed from the frame
    const char16_t* result;
  } cases[] = {{GDK_KEY_Return, u"Grimm"}, {GDK_KEY_KP_Enter, u"Grimm"}, {0, u""}};
  for (auto c : cases) {
    std::string prompt;
    gui_when_toplevel(GTK_TYPE_DIALOG, [&](GtkWidget* dialog) {
      prompt = gtk_label_get_text(GTK_LABEL(gui_find_child(dialog, GTK_TYPE_LABEL)));
      GtkWidget* entry = gui_find_child(dialog, GTK_TYPE_ENTRY);
      EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(entry)), "Björn");
      gtk_entry_set_text(GTK_ENTRY(entry), "Grimm");
      if (c.key)
        gui_key(entry, c.key);
      else
        gui_delete(dialog);
    });
    EXPECT_EQ(input_requester(u"Grabstein", u"Name des Helden:", u"Björn"), c.result);
    EXPECT_EQ(prompt, "Name des Helden:");
  }
  EXPECT_EQ(gui_find_toplevel(GTK_TYPE_DIALOG), nullptr);
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

TEST_F(Requesters, OpenRequesterShowsTheFolderAndTheChosenFilterAndGivesTheFile) {
  std::string file = std::string(folder_) + "/alt.gls";
  g_file_set_contents(file.c_str(), "x", 1, nullptr);
  std::string seen_folder, seen_filter;
  int filters = 0;
  bool star_matches_any = false;
  gui_when_toplevel(GTK_TYPE_FILE_CHOOSER_DIALOG, [&](GtkWidget* dialog) {
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    seen_folder = current_folder(chooser);
    GtkFileFilter* filter = gtk_file_chooser_get_filter(chooser);
    seen_filter = filter ? gtk_file_filter_get_name(filter) : "";
    GSList* list = gtk_file_chooser_list_filters(chooser);
    filters = static_cast<int>(g_slist_length(list));
    if (filters == 3) {
      GtkFileFilterInfo info{};
      info.contains = GTK_FILE_FILTER_DISPLAY_NAME;
      info.display_name = "readme";
      star_matches_any = gtk_file_filter_filter(GTK_FILE_FILTER(g_slist_nth_data(list, 2)), &info);
    }
    g_slist_free(list);
    gtk_file_chooser_select_filename(chooser, file.c_str());
    gui_wait_until([&] {
      gchar* name = gtk_file_chooser_get_filename(chooser);
      g_free(name);
      return name != nullptr;
    });
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
  });
  String chosen = open_file_requester(u"Spiel laden", string_from_utf8(std::string(folder_) + "/"),
                                      u"Partyaufstellung (*.tvf)|*.tvf|Altes Dateiformat (*.gls)|*.gls|Alle|*.*", 1);
  EXPECT_EQ(seen_folder, folder_);
  EXPECT_EQ(seen_filter, "Altes Dateiformat (*.gls)");
  EXPECT_EQ(filters, 3);
  EXPECT_TRUE(star_matches_any);
  EXPECT_EQ(selected_file_pattern(), 1);
  EXPECT_EQ(chosen, string_from_utf8(file));
  g_remove(file.c_str());
}

TEST_F(Requesters, SaveRequesterPreselectsTheNameInItsFolderAndCancelGivesEmpty) {
  std::string path = std::string(folder_) + "/plan.tvf";
  for (int response : {GTK_RESPONSE_CANCEL, GTK_RESPONSE_ACCEPT}) {
    std::string name, seen_folder;
    gui_when_toplevel(GTK_TYPE_FILE_CHOOSER_DIALOG, [&](GtkWidget* dialog) {
      gchar* current = gtk_file_chooser_get_current_name(GTK_FILE_CHOOSER(dialog));
      name = current ? current : "";
      g_free(current);
      seen_folder = current_folder(GTK_FILE_CHOOSER(dialog));
      gtk_dialog_response(GTK_DIALOG(dialog), response);
    });
    String result = save_file_requester(u"Spiel speichern", string_from_utf8(path), u"A|*.a|B|*.tvf", 1);
    EXPECT_EQ(result, response == GTK_RESPONSE_ACCEPT ? string_from_utf8(path) : u"");
    EXPECT_EQ(name, "plan.tvf");
    EXPECT_EQ(seen_folder, folder_);
    EXPECT_EQ(selected_file_pattern(), 1);
  }
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

}  // namespace
