// Requesters as real GTK dialogs, answered from a timeout while the requester
// waits, and the progress window. (Messages sent to standard error are checked
// end to end, with tavrel --export.)
#include <gtest/gtest.h>

#include <string>

#include "runtime/toolkit/progress.h"
#include "runtime/toolkit/requesters.h"
#include "runtime/toolkit/windows.h"
#include "support/gui.h"
#include "support/temp_dir.h"

namespace {

std::string text_of(GtkWidget* message_dialog) {
  gchar* text = nullptr;
  g_object_get(message_dialog, "text", &text, nullptr);
  std::string out = text ? text : "";
  return g_free(text), out;
}

TEST(Requesters, MessageAndInputAnswers) {
  GUI_REQUIRE();
  const struct { int flags, response, result; } cases[] = {  // response 0: closed from the frame
      {ButtonsYesNo, GTK_RESPONSE_YES, ResultYes}, {ButtonsYesNo, GTK_RESPONSE_NO, ResultNo}, {ButtonsYesNo, 0, 0},
      {ButtonsYesNoCancel | IconWarning, GTK_RESPONSE_CANCEL, ResultCancel}, {IconError, GTK_RESPONSE_OK, ResultOk}};
  for (auto c : cases) {
    std::string text;
    gui_when_toplevel(GTK_TYPE_MESSAGE_DIALOG, [&](GtkWidget* dialog) {
      text = text_of(dialog);
      if (!c.response) return gui_delete(dialog);
      gtk_button_clicked(GTK_BUTTON(gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), c.response)));
    });
    EXPECT_EQ(message_requester(u"Tavrel", u"Soll er %s <b>gespeichert</b> werden?", c.flags), c.result);
    EXPECT_EQ(text, "Soll er %s <b>gespeichert</b> werden?");  // no format, no markup
  }

  // The input requester takes the entry on Return or keypad Enter; closed, it gives "".
  for (guint key : {guint(GDK_KEY_Return), guint(GDK_KEY_KP_Enter), 0u}) {  // 0: closed from the frame
    std::string shown;
    gui_when_toplevel(GTK_TYPE_DIALOG, [&](GtkWidget* dialog) {
      GtkWidget* entry = gui_find_child(dialog, GTK_TYPE_ENTRY);
      shown = gtk_label_get_text(GTK_LABEL(gui_find_child(dialog, GTK_TYPE_LABEL))) + std::string(" ") +
              gtk_entry_get_text(GTK_ENTRY(entry));
      gtk_entry_set_text(GTK_ENTRY(entry), "Grimm");
      key ? gui_key(entry, key) : gui_delete(dialog);
    });
    EXPECT_EQ(input_requester(u"Grabstein", u"Name des Helden:", u"Björn"), key ? u"Grimm" : u"");
    EXPECT_EQ(shown, "Name des Helden: Björn");
  }
}

// The dialog shows the folder, the name, the filter and the choices as given
// and gives back what the user set; an existing name (found with the extension
// appended) is asked about, and after No the dialog stays open for another name.
TEST(Requesters, SaveFileWithFilterChoicesExtensionAndTheQuestionBeforeReplacing) {
  GUI_REQUIRE();
  TempDir dir;
  dir.write("karte.png", "old");
  std::string shown, question;
  auto show = [&](GtkWidget* dialog, gint response) {
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    gchar *name = gtk_file_chooser_get_current_name(chooser), *folder = nullptr;  // the folder loads later
    gui_wait_until([&] { return (folder = gtk_file_chooser_get_current_folder(chooser)) != nullptr; });
    shown = std::string(folder ? folder : "") + "/" + (name ? name : "") + " " +
            gtk_file_filter_get_name(gtk_file_chooser_get_filter(chooser));
    g_free(name), g_free(folder);
    if (response) gtk_dialog_response(GTK_DIALOG(dialog), response);
  };
  gui_when_toplevel(GTK_TYPE_FILE_CHOOSER_DIALOG, [&](GtkWidget* dialog) { show(dialog, GTK_RESPONSE_CANCEL); });
  EXPECT_EQ(save_file_requester(u"Spiel speichern", dir.upath("plan.tvf"), u"Neu|*.tvf|Alt (*.gls)|*.gls", 1), u"");
  EXPECT_EQ(shown, dir.path("plan.tvf") + " Alt (*.gls)");
  EXPECT_EQ(selected_file_pattern(), 1);

  gui_when_toplevel(GTK_TYPE_FILE_CHOOSER_DIALOG, [&](GtkWidget* dialog) {
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    show(dialog, 0);
    shown += std::string(" ") + gtk_file_chooser_get_choice(chooser, "rx_choice_0") + " " +
             gtk_file_chooser_get_choice(chooser, "rx_choice_1");
    gtk_file_chooser_set_choice(chooser, "rx_choice_0", "2");
    gtk_file_chooser_set_choice(chooser, "rx_choice_1", "true");
    gtk_file_chooser_set_current_name(chooser, "karte");
    gui_when_toplevel(GTK_TYPE_MESSAGE_DIALOG, [&, chooser](GtkWidget* box) {
      question = gtk_window_get_title(GTK_WINDOW(box)) + (": " + text_of(box));
      gtk_dialog_response(GTK_DIALOG(box), GTK_RESPONSE_NO);
      gui_later(300, [chooser] {
        gtk_file_chooser_set_current_name(chooser, "neu.PNG");
        gtk_dialog_response(GTK_DIALOG(chooser), GTK_RESPONSE_ACCEPT);
      });
    });
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
  });
  SaveRequesterOptions options{u".png", u"„%1“ ersetzen?", u"Tavrel",
                               {{u"Maßstab:", {u"100 %", u"50 %", u"25 %"}, 1}, {u"Inschriften", {}, 0}}};
  EXPECT_EQ(save_file_requester(u"Bild", dir.upath("karte.png"), u"PNG (*.png)|*.png", 0, options),
            dir.upath("neu.PNG"));
  EXPECT_EQ(shown, dir.path("karte.png") + " PNG (*.png) 1 false");
  EXPECT_EQ(question, "Tavrel: „karte.png“ ersetzen?");
  EXPECT_EQ(std::pair(options.choices[0].selected, options.choices[1].selected), std::pair(2, 1));
  EXPECT_EQ(dir.read("karte.png"), "old");
}

// The window appears only after a moment, over its window and modal, shows the
// fraction and lets the toolkit run what is pending; it goes with the end of the work.
TEST(Progress, AppearsAfterAMomentModalAndKeepsTheToolkitRunning) {
  GUI_REQUIRE();
  ASSERT_TRUE(window_open(7, 0, 0, 300, 200, u"Karte", 0));
  progress_begin(7, u"Tavrel", u"Das Bild wird geschrieben …");
  progress_step(0.1);
  bool quick = progress_shown(), idle_ran = false;
  g_usleep((ProgressDelayMs + 50) * 1000);
  g_idle_add([](gpointer flag) { return *static_cast<bool*>(flag) = true, gboolean(FALSE); }, &idle_ran);
  progress_step(0.25);
  GtkWidget* shown = gtk_grab_get_current();  // modal: it holds the grab
  ASSERT_TRUE(shown && GTK_IS_WINDOW(shown));
  GtkWidget* bar = gui_find_child(shown, GTK_TYPE_PROGRESS_BAR);
  EXPECT_EQ(std::tuple(quick, progress_shown(), idle_ran,
                       gtk_window_get_transient_for(GTK_WINDOW(shown)) == GTK_WINDOW(window_handle(7)),
                       bar ? gtk_progress_bar_get_fraction(GTK_PROGRESS_BAR(bar)) : -1.0),
            std::tuple(false, true, true, true, 0.25));
  progress_end();
  EXPECT_FALSE(progress_shown());
  window_close(7);
}

}  // namespace
