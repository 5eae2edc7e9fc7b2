// Menu bars with titled drop-down menus, popup menus and keyboard shortcuts.
// Menu items and shortcuts post Menu events with their number.
//
// Like the window handlers, menu handlers look their record up by the number
// stored on the widget and do nothing when it is gone.
#include <gtk/gtk.h>

#include "runtime/core/objects.h"
#include "runtime/toolkit/events.h"
#include "runtime/toolkit/internal.h"
#include "runtime/toolkit/runtime.h"
#include "runtime/toolkit/windows.h"

namespace {

struct MenuRecord {
  GtkWidget* menu;  // menu bar or popup menu
  int owner;        // window number, -1 for none
  GtkWidget* box;   // the hbox of a menu bar
  GtkAccelGroup* accelerators;
  bool popup;
  int number;
};

void release_menu(MenuRecord& record, int number);
// Created at its first use.
ObjectTable<MenuRecord>& menu_table() {
  static ObjectTable<MenuRecord> table(16, release_menu);
  return table;
}

// The menu being built: the one that receives entries, the last title and its
// drop-down menu.
struct MenuBuildState {
  int menu = -1;
  GtkWidget* menu_widget = nullptr;
  GtkWidget* last_title = nullptr;
  GtkWidget* drop_down = nullptr;
  bool drop_down_pending = false;
};
MenuBuildState Build;

MenuRecord* build_menu() {
  MenuRecord* record = menu_table().find(Build.menu);
  if (!record || record->menu != Build.menu_widget) return nullptr;
  return record;
}

void drop_menu_state(MenuRecord& record, int number) {
  if (Build.menu == number) Build = MenuBuildState();
  if (record.accelerators) {
    g_object_unref(record.accelerators);
    record.accelerators = nullptr;
  }
}

void release_menu(MenuRecord& record, int number) {
  drop_menu_state(record, number);
  GtkWidget* menu = record.menu;
  GtkWidget* box = record.box;
  record.menu = nullptr;
  if (record.popup) {
    gtk_widget_destroy(menu);
    g_object_unref(menu);
  } else {
    gtk_widget_destroy(box ? box : menu);
  }
}

// A menu bar goes with its window.
void on_menu_destroy(GtkWidget* widget, gpointer) {
  int number = data_int(widget, "rx_menu_number");
  MenuRecord* record = menu_table().find(number);
  if (!record || record->menu != widget) return;
  drop_menu_state(*record, number);
  record->menu = nullptr;
  menu_table().forget(number);
}

void on_menu_item_activate(GtkMenuItem* item, gpointer) {
  int menu = data_int(item, "rx_menu_id");
  int item_number = data_int(item, "rx_menu_itemid") - 1;
  MenuRecord* record = menu_table().find(menu);
  if (!record || !window_exists(record->owner)) return;
  event_post(Menu, item_number, record->owner, 0);
}

// Stale grabs left behind by a popup menu would block the windows below.
void on_popup_done(GtkMenuShell*, gpointer) {
  // Only grabs of menus (or of the popup windows that hold them) are removed.
  for (int guard = 0; guard < 8; ++guard) {
    GtkWidget* grab = gtk_grab_get_current();
    if (!grab) break;
    bool menu_grab = GTK_IS_MENU_SHELL(grab);
    if (!menu_grab && GTK_IS_WINDOW(grab) && gtk_window_get_window_type(GTK_WINDOW(grab)) == GTK_WINDOW_POPUP) {
      GtkWidget* child = gtk_bin_get_child(GTK_BIN(grab));
      menu_grab = child && GTK_IS_MENU_SHELL(child);
    }
    if (!menu_grab) break;
    gtk_grab_remove(grab);
  }
}

GtkMenuItem* find_menu_item(GtkWidget* shell, int item) {
  if (!shell || !GTK_IS_CONTAINER(shell)) return nullptr;
  GList* children = gtk_container_get_children(GTK_CONTAINER(shell));
  GtkMenuItem* found = nullptr;
  for (GList* l = children; l && !found; l = l->next) {
    GtkWidget* child = GTK_WIDGET(l->data);
    if (!GTK_IS_MENU_ITEM(child)) continue;
    if (data_int(child, "rx_menu_itemid") == item + 1 && g_object_get_data(G_OBJECT(child), "rx_menu_id_set")) {
      found = GTK_MENU_ITEM(child);
    } else {
      found = find_menu_item(gtk_menu_item_get_submenu(GTK_MENU_ITEM(child)), item);
    }
  }
  g_list_free(children);
  return found;
}

void set_full_text(GtkWidget* item, const String& text) {
  if (text.empty())
    g_object_set_data(G_OBJECT(item), "rx_menu_fulltext", nullptr);
  else
    g_object_set_data_full(G_OBJECT(item), "rx_menu_fulltext", g_strdup(string_to_utf8(text).c_str()), g_free);
}

// The drop-down or popup menu that takes the next entry.
GtkWidget* entry_shell() {
  MenuRecord* record = build_menu();
  if (!record) return nullptr;
  if (record->popup) return record->menu;
  if (Build.drop_down_pending && Build.last_title) {
    Build.drop_down = gtk_menu_new();
    gtk_menu_set_accel_group(GTK_MENU(Build.drop_down), record->accelerators);
    gtk_menu_item_set_submenu(GTK_MENU_ITEM(Build.last_title), Build.drop_down);
    Build.drop_down_pending = false;
  }
  return Build.drop_down ? Build.drop_down : record->menu;
}

struct ShortcutData {
  int window;
  int event_number;
};

gboolean on_shortcut(GtkAccelGroup*, GObject*, guint, GdkModifierType, gpointer data) {
  auto* shortcut = static_cast<ShortcutData*>(data);
  if (!window_exists(shortcut->window)) return FALSE;
  event_post(Menu, shortcut->event_number, shortcut->window, 0);
  return TRUE;
}

void free_shortcut(gpointer data, GClosure*) { delete static_cast<ShortcutData*>(data); }

void bind_shortcut(GtkAccelGroup* accelerators, int window, guint key, GdkModifierType modifiers, int event_number) {
  GClosure* closure = g_cclosure_new(G_CALLBACK(on_shortcut), new ShortcutData{window, event_number}, free_shortcut);
  gtk_accel_group_connect(accelerators, key, modifiers, GTK_ACCEL_VISIBLE, closure);
}

}  // namespace

std::string menu_label_text(const String& text) {
  std::string utf8 = string_to_utf8(text);
  std::string label;
  for (size_t i = 0; i < utf8.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    // Stop once the label is full, but never inside a multi-byte character.
    if (label.size() > 1019 && (c & 0xC0) != 0x80) break;
    if (c == '\t') break;
    if (c == '&')
      label += '_';
    else if (c == '_')
      label += "__";
    else
      label += static_cast<char>(c);
  }
  return label;
}

// --- Menus -------------------------------------------------------------------------

int menu_bar_create(int number, WindowHandle window) {
  if (!runtime_has_display()) return 0;
  int owner = window_number_of(reinterpret_cast<GtkWidget*>(window));
  if (owner < 0) return 0;
  if (number != AnyNumber && (number < 0 || number >= FixedNumberLimit)) return 0;
  int id = 0;
  MenuRecord* record = menu_table().create(number, &id);
  if (!record) return 0;
  GtkWidget* vbox = window_vbox(owner);
  if (!vbox) {  // the release above closed the window
    menu_table().forget(id);
    return 0;
  }
  GtkWidget* bar = gtk_menu_bar_new();
  GtkWidget* box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
  gtk_box_pack_start(GTK_BOX(box), bar, TRUE, TRUE, 0);
  gtk_box_pack_start(GTK_BOX(vbox), box, FALSE, FALSE, 0);
  gtk_box_reorder_child(GTK_BOX(vbox), box, 0);
  g_object_set_data(G_OBJECT(window), "rx_menu_hbox", box);
  record->menu = bar;
  record->box = box;
  record->owner = owner;
  record->popup = false;
  record->number = id;
  record->accelerators = gtk_accel_group_new();
  set_data_int(bar, "rx_menu_number", id);
  g_signal_connect(bar, "destroy", G_CALLBACK(on_menu_destroy), nullptr);
  gtk_widget_show_all(box);
  Build = MenuBuildState();
  Build.menu = id;
  Build.menu_widget = bar;
  return number == AnyNumber ? id : 1;
}

void menu_title(const String& text) {
  MenuRecord* record = build_menu();
  if (!record || record->popup) return;
  GtkWidget* title = gtk_menu_item_new_with_mnemonic(menu_label_text(text).c_str());
  gtk_menu_shell_append(GTK_MENU_SHELL(record->menu), title);
  gtk_widget_show(title);
  Build.last_title = title;
  Build.drop_down = nullptr;
  Build.drop_down_pending = true;
}

void menu_item(int item, const String& text) {
  GtkWidget* shell = entry_shell();
  if (!shell) return;
  GtkWidget* entry = gtk_menu_item_new_with_mnemonic(menu_label_text(text).c_str());
  set_data_int(entry, "rx_menu_id", Build.menu);
  set_data_int(entry, "rx_menu_id_set", 1);
  set_data_int(entry, "rx_menu_itemid", item + 1);
  set_full_text(entry, text);
  g_signal_connect(entry, "activate", G_CALLBACK(on_menu_item_activate), nullptr);
  gtk_menu_shell_append(GTK_MENU_SHELL(shell), entry);
  gtk_widget_show(entry);
}

void menu_separator() {
  GtkWidget* shell = entry_shell();
  if (!shell) return;
  GtkWidget* separator = gtk_separator_menu_item_new();
  gtk_menu_shell_append(GTK_MENU_SHELL(shell), separator);
  gtk_widget_show(separator);
}

int popup_menu_create(int number) {
  if (!runtime_has_display()) return 0;
  if (number != AnyNumber && (number < 0 || number >= FixedNumberLimit)) return 0;
  int id = 0;
  MenuRecord* record = menu_table().create(number, &id);
  if (!record) return 0;
  GtkWidget* menu = gtk_menu_new();
  g_object_ref_sink(menu);
  record->menu = menu;
  record->owner = -1;
  record->popup = true;
  record->number = id;
  record->accelerators = gtk_accel_group_new();
  gtk_menu_set_accel_group(GTK_MENU(menu), record->accelerators);
  set_data_int(menu, "rx_menu_number", id);
  g_signal_connect(menu, "selection-done", G_CALLBACK(on_popup_done), nullptr);
  Build = MenuBuildState();
  Build.menu = id;
  Build.menu_widget = menu;
  return number == AnyNumber ? id : 1;
}

void popup_menu_show(int number, WindowHandle window) {
  MenuRecord* record = menu_table().find(number);
  if (!record || !record->popup || !record->menu) return;
  record->owner = window_number_of(reinterpret_cast<GtkWidget*>(window));
  // Opened as if by mouse button 1 at time 0, at the pointer.
  GtkWidget* owner = record->owner >= 0 ? GTK_WIDGET(window) : nullptr;
  GdkWindow* where = owner ? gtk_widget_get_window(owner) : nullptr;
  GdkDevice* device = pointer_device(owner);
  if (!where) where = gdk_get_default_root_window();
  if (!where || !device) return;
  int x = 0, y = 0;
  gdk_window_get_device_position(where, device, &x, &y, nullptr);
  GdkEvent* trigger = gdk_event_new(GDK_BUTTON_PRESS);
  trigger->button.window = GDK_WINDOW(g_object_ref(where));
  trigger->button.button = 1;
  trigger->button.time = 0;
  trigger->button.x = x;
  trigger->button.y = y;
  gdk_event_set_device(trigger, device);
  gtk_menu_popup_at_pointer(GTK_MENU(record->menu), trigger);
  gdk_event_free(trigger);
}

void menu_item_set_text(int menu, int item, const String& text) {
  MenuRecord* record = menu_table().find(menu);
  if (!record || !record->menu) return;
  GtkMenuItem* entry = find_menu_item(record->menu, item);
  if (!entry) return;
  if (text.empty()) {
    gtk_menu_item_set_label(entry, "");
  } else {
    gtk_menu_item_set_use_underline(entry, TRUE);
    gtk_menu_item_set_label(entry, menu_label_text(text).c_str());
  }
  set_full_text(GTK_WIDGET(entry), text);
}

void menu_item_enable(int menu, int item, bool enabled) {
  MenuRecord* record = menu_table().find(menu);
  if (!record || !record->menu) return;
  if (GtkMenuItem* entry = find_menu_item(record->menu, item)) gtk_widget_set_sensitive(GTK_WIDGET(entry), enabled);
}

bool menu_item_enabled(int menu, int item) {
  MenuRecord* record = menu_table().find(menu);
  if (!record || !record->menu) return false;
  GtkMenuItem* entry = find_menu_item(record->menu, item);
  return entry && gtk_widget_get_sensitive(GTK_WIDGET(entry));
}

String menu_item_text(int menu, int item) {
  MenuRecord* record = menu_table().find(menu);
  if (!record || !record->menu) return String();
  GtkMenuItem* entry = find_menu_item(record->menu, item);
  if (!entry) return String();
  GtkWidget* label = gtk_bin_get_child(GTK_BIN(entry));
  if (!label || !GTK_IS_LABEL(label)) return String();
  return string_from_utf8(gtk_label_get_text(GTK_LABEL(label)));
}

void menu_free(int number) {
  if (number == -1)
    menu_table().remove_all();
  else
    menu_table().remove(number);
}

int64_t menu_height() {
  if (!runtime_has_display()) return 0;
  GtkWidget* bar = gtk_menu_bar_new();
  if (!bar) return 0;
  g_object_ref_sink(bar);
  GtkWidget* item = gtk_menu_item_new_with_label("T");
  gtk_menu_shell_append(GTK_MENU_SHELL(bar), item);
  gtk_widget_show_all(bar);
  int minimum = 0, natural = 0;
  gtk_widget_get_preferred_height(bar, &minimum, &natural);
  gtk_widget_destroy(bar);
  g_object_unref(bar);
  return minimum;
}

// --- Keyboard shortcuts ------------------------------------------------------------

void shortcut_add(int window, int key, int event_number) {
  GtkAccelGroup* accelerators = window_accelerators(window);
  if (!accelerators) return;
  guint keyval = static_cast<guint>(key & 0xFFFF);
  int modifiers = 0;
  if (key & ShortcutShift) modifiers |= GDK_SHIFT_MASK;
  if (key & ShortcutControl) modifiers |= GDK_CONTROL_MASK;
  if (key & ShortcutAlt) modifiers |= GDK_MOD1_MASK;
  if (keyval == 0) return;
  GdkModifierType mask = static_cast<GdkModifierType>(modifiers);
  if (keyval == GDK_KEY_Return) bind_shortcut(accelerators, window, GDK_KEY_KP_Enter, mask, event_number);
  bind_shortcut(accelerators, window, keyval, mask, event_number);
}
