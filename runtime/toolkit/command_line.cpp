// The command line through GLib's option parser.
#include "runtime/toolkit/command_line.h"

#include <gtk/gtk.h>

#include <memory>

#include "runtime/toolkit/internal.h"

CommandLine command_line_parse(int* argc, char*** argv, const char* parameters, const char* summary,
                               const std::vector<CommandLineOption>& options) {
  runtime_set_locale();  // before GTK's options are read, which would set it
  CommandLine result;
  // GLib writes each option's value through a pointer of its own.
  std::vector<gboolean> switches(options.size(), FALSE);
  std::vector<gchar*> texts(options.size(), nullptr);
  std::vector<GOptionEntry> entries;
  for (size_t i = 0; i < options.size(); i++) {
    const CommandLineOption& o = options[i];
    GOptionEntry entry{};
    entry.long_name = o.name;
    entry.arg = o.value_name ? G_OPTION_ARG_FILENAME : G_OPTION_ARG_NONE;
    entry.arg_data = o.value_name ? static_cast<gpointer>(&texts[i]) : static_cast<gpointer>(&switches[i]);
    entry.description = o.description;
    entry.arg_description = o.value_name;
    entries.push_back(entry);
  }
  entries.push_back(GOptionEntry{});

  std::unique_ptr<GOptionContext, void (*)(GOptionContext*)> context(g_option_context_new(parameters),
                                                                      g_option_context_free);
  g_option_context_set_summary(context.get(), summary);
  g_option_context_add_main_entries(context.get(), entries.data(), nullptr);
  // GTK's options are parsed too (the locale was set above, before they are).
  g_option_context_add_group(context.get(), gtk_get_option_group(FALSE));
  GError* error = nullptr;
  if (!g_option_context_parse(context.get(), argc, argv, &error)) {
    result.ok = false;
    result.error = error ? error->message : "";
    g_clear_error(&error);
  }
  for (size_t i = 0; i < options.size(); i++) {
    if (texts[i]) result.values[options[i].name] = texts[i];
    else if (switches[i]) result.values[options[i].name] = "";
    g_free(texts[i]);
  }
  // What GLib left: the program name, then the arguments; "--" ends the
  // options and is left out.
  for (int i = 1; i < *argc; i++) {
    std::string argument = (*argv)[i];
    if (argument != "--") result.arguments.push_back(argument);
  }
  return result;
}
