// The save requester with choices, extension and the question before a file
// is replaced, and the progress window. (Messages sent to standard error are
// checked end to end, with tavrel --export.)
#include <gtest/gtest.h>

#include <string>

#include "runtime/toolkit/progress.h"
#include "runtime/toolkit/requesters.h"
#include "runtime/toolkit/windows.h"
#include "support/gui.h"
#include "support/temp_dir.h"

namespace {

// The dialog shows the choices as given and gives back what the user set;
// an existing name (found with the extension appended) is asked about, and
// after No the dialog stays open for another name.
TEST(SaveRequester, ChoicesTheExtensionAndTheQuestionInTheDialog) {
  GUI_REQUIRE();
  TempDir dir;
  dir.write("karte.png", "old");
  std::string shown, question;
  gui_when_toplevel(GTK_TYPE_FILE_CHOOSER_DIALOG, [&](GtkWidget* dialog) {
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    gui_wait_until([&] {
      gchar* folder = gtk_file_chooser_get_current_folder(chooser);
      return g_free(folder), folder != nullptr;
    });
    shown = std::string(gtk_file_chooser_get_choice(chooser, "rx_choice_0")) + " " +
            gtk_file_chooser_get_choice(chooser, "rx_choice_1");
    gtk_file_chooser_set_choice(chooser, "rx_choice_0", "2");
    gtk_file_chooser_set_choice(chooser, "rx_choice_1", "true");
    gtk_file_chooser_set_current_name(chooser, "karte");
    gui_when_toplevel(GTK_TYPE_MESSAGE_DIALOG, [&, dialog](GtkWidget* box) {
      gchar* text = nullptr;
      g_object_get(box, "text", &text, nullptr);
      question = std::string(gtk_window_get_title(GTK_WINDOW(box))) + ": " + text;
      g_free(text);
      gtk_dialog_response(GTK_DIALOG(box), GTK_RESPONSE_NO);
      gui_later(300, [dialog] {
        gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(dialog), "neu.PNG");
        gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
      });
    });
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
  });
  SaveRequesterOptions options{u".png", u"„%1“ ersetzen?", u"Tavrel",
                               {{u"Maßstab:", {u"100 %", u"50 %", u"25 %"}, 1}, {u"Inschriften", {}, 0}}};
  String path = save_file_requester(u"Bild", dir.upath("karte.png"), u"PNG (*.png)|*.png", 0, options);
  EXPECT_EQ(path, dir.upath("neu.PNG"));
  EXPECT_EQ(shown, "1 false");
  EXPECT_EQ(question, "Tavrel: „karte.png“ ersetzen?");
  EXPECT_EQ(std::pair(options.choices[0].selected, options.choices[1].selected), std::pair(2, 1));
  EXPECT_EQ(dir.read("karte.png"), "old");
}

// The window appears only after half a second, over its window and modal,
// shows the fraction and lets the toolkit run what is pending; it goes with
// the end of the work.
TEST(Progress, AppearsAfterAMomentModalAndKeepsTheToolkitRunning) {
  GUI_REQUIRE();
  ASSERT_TRUE(window_open(7, 0, 0, 300, 200, u"Karte", 0));
  progress_begin(7, u"Tavrel", u"Das Bild wird geschrieben …");
  progress_step(0.1);
  bool quick = progress_shown();
  g_usleep((ProgressDelayMs + 50) * 1000);
  bool idle_ran = false;
  g_idle_add([](gpointer flag) { return *static_cast<bool*>(flag) = true, gboolean(FALSE); }, &idle_ran);
  progress_step(0.25);
  EXPECT_EQ(std::tuple(quick, progress_shown(), idle_ran), std::tuple(false, true, true));
  // The window holding the grab (modal) is the progress window over window 7, with the fraction.
  GtkWidget* shown = gtk_grab_get_current();
  ASSERT_TRUE(shown && GTK_IS_WINDOW(shown));
  GtkWidget* bar = gui_find_child(shown, GTK_TYPE_PROGRESS_BAR);
  EXPECT_EQ(std::tuple(gtk_window_get_transient_for(GTK_WINDOW(shown)) == GTK_WINDOW(window_handle(7)),
                       bar ? gtk_progress_bar_get_fraction(GTK_PROGRESS_BAR(bar)) : -1.0),
            std::tuple(true, 0.25));
  progress_end();
  EXPECT_FALSE(progress_shown());
  window_close(7);
}

}  // namespace
