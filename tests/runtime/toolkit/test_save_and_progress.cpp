// The save requester with choices, extension and the question before a file
// is replaced (as a real dialog and through the hook), the progress window,
// and messages sent to standard error.
#include <gtest/gtest.h>

#include <glib/gstdio.h>

#include <cstdio>
#include <string>

#include "runtime/toolkit/progress.h"
#include "runtime/toolkit/requesters.h"
#include "runtime/toolkit/windows.h"
#include "support/gui.h"
#include "support/temp_dir.h"

namespace {

SaveRequesterOptions picture_options() {
  SaveRequesterOptions o;
  o.extension = u".png";
  o.replace_title = u"Tavrel";
  o.replace_question = u"„%1“ ersetzen?";
  o.choices = {{u"Maßstab:", {u"100 %", u"50 %", u"25 %"}, 0}, {u"Inschriften", {}, 0}};
  return o;
}

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
  SaveRequesterOptions options = picture_options();
  options.choices[0].selected = 1;
  String path = save_file_requester(u"Bild", dir.upath("karte.png"), u"PNG (*.png)|*.png", 0, options);
  EXPECT_EQ(path, dir.upath("neu.PNG"));
  EXPECT_EQ(shown, "1 false");
  EXPECT_EQ(question, "Tavrel: „karte.png“ ersetzen?");
  EXPECT_EQ(std::pair(options.choices[0].selected, options.choices[1].selected), std::pair(2, 1));
  EXPECT_EQ(dir.read("karte.png"), "old");
}

// Through the hook: ".png" appended unless the name ends in it in any case;
// the question for an existing file, the name asked again after No.
TEST(SaveRequester, TheHookIsAskedAsTheDialogWouldBe) {
  TempDir dir;
  dir.write("plan.png", "old");
  std::vector<RequesterCall> calls;
  std::vector<String> names;
  int answer = ResultNo;
  requester_set_hook([&](const RequesterCall& call) {
    calls.push_back(call);
    if (call.save) call.save->choices[1].selected = 1;
    String name = call.kind == RequesterKind::SaveFile && !names.empty() ? names.front() : u"";
    if (call.kind == RequesterKind::SaveFile && !names.empty()) names.erase(names.begin());
    return RequesterAnswer{answer, name};
  });
  SaveRequesterOptions options = picture_options();
  for (auto [typed, result] : {std::pair{"bild", "bild.png"}, {"bild.PnG", "bild.PnG"}, {"a.png.txt", "a.png.txt.png"}}) {
    names = {dir.upath(typed)};
    EXPECT_EQ(save_file_requester(u"Bild", u"", u"", 0, options), dir.upath(result));
  }
  EXPECT_EQ(calls.size(), 3u);
  names = {dir.upath("plan"), dir.upath("plan.png")};  // No, then asked again: Yes
  String first = save_file_requester(u"Bild", u"", u"", 0, options);
  EXPECT_EQ(first, u"");
  ASSERT_EQ(calls.size(), 8u);  // file, question, file, question, then "" ends it
  EXPECT_EQ(std::tuple(calls[4].kind, calls[4].title, calls[4].text, calls[4].flags),
            std::tuple(RequesterKind::Message, String(u"Tavrel"), String(u"„plan.png“ ersetzen?"),
                       ButtonsYesNo | IconWarning));
  answer = ResultYes;
  names = {dir.upath("plan")};
  EXPECT_EQ(save_file_requester(u"Bild", u"", u"", 0, options), dir.upath("plan.png"));
  EXPECT_EQ(options.choices[1].selected, 1);
  requester_set_hook(nullptr);
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
  GtkWidget* shown = nullptr;
  GList* toplevels = gtk_window_list_toplevels();
  for (GList* l = toplevels; l; l = l->next)
    if (gtk_window_get_transient_for(GTK_WINDOW(l->data)) == GTK_WINDOW(window_handle(7))) shown = GTK_WIDGET(l->data);
  g_list_free(toplevels);
  ASSERT_NE(shown, nullptr);
  GtkWidget* bar = gui_find_child(shown, GTK_TYPE_PROGRESS_BAR);
  EXPECT_EQ(std::tuple(std::string(gtk_window_get_title(GTK_WINDOW(shown))), gtk_window_get_modal(GTK_WINDOW(shown)),
                       bar ? gtk_progress_bar_get_fraction(GTK_PROGRESS_BAR(bar)) : -1.0),
            std::tuple(std::string("Tavrel"), TRUE, 0.25));
  progress_end();
  EXPECT_FALSE(progress_shown());
  window_close(7);
}

// After requesters_to_standard_error a message is one line there and no
// dialog opens; the other requesters give "" at once (in a child process,
// since the switch is for good).
TEST(Requesters, MessagesToStandardError) {
  TempDir dir;
  chmod(dir.dir.c_str(), 0777);  // for the child without root rights
  std::string err = dir.path("err");
  EXPECT_TRUE(in_child(RLIM_INFINITY, [&] {
    if (!freopen(err.c_str(), "w", stderr)) return false;
    requesters_to_standard_error(u"tavrel");
    bool quiet = message_requester(u"Tavrel", u"Die Datei ist unvollständig.", IconError) == 0 &&
                 input_requester(u"Grabstein", u"Name:", u"x").empty() &&
                 open_file_requester(u"Laden", u"", u"", 0).empty();
    return fflush(stderr) == 0 && quiet;
  }));
  EXPECT_EQ(dir.read("err"), "tavrel: Die Datei ist unvollständig.\n");
}

}  // namespace
