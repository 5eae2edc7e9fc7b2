// The fixed numbers of the application's runtime objects and the numbers of
// its menu items and keyboard shortcuts. The event loop dispatches on the
// command numbers, so they never change.
#pragma once

// Windows.
constexpr int MainWindow = 0;
constexpr int PlayerIconsWindow = 1;  // the dialog "Players"
constexpr int IconPickerWindow = 2;   // the borderless grid of player pictures
constexpr int ShareWindow = 3;        // "Mitspieler-Ansicht"

// Menus.
constexpr int MainMenuBar = 0;
constexpr int MapMenu = 1;        // popup menu over free map area
constexpr int TransportMenu = 2;  // popup menu over a transport

// Gadgets of the main window.
constexpr int MapCanvas = 0;
constexpr int PickerCanvas = 1;

// Gadgets of the window "Mitspieler-Ansicht".
constexpr int ShareIntroText = 200;
constexpr int ShareAddressText = 201;
constexpr int ShareCodeCanvas = 202;
constexpr int ShareOthersText = 203;
constexpr int ShareViewersText = 204;
constexpr int ShareStopButton = 205;

// The XML document a level or catalog file is read into.
constexpr int LevelDocument = 0;

// What a menu item or keyboard shortcut posts as its Menu event.
enum Command : int {
  CommandNewGame = 3,            // "Neues Spiel"
  CommandPlayerIcons = 4,        // "Spielericons ändern"
  CommandSaveGame = 6,           // "Spiel speichern"
  CommandLoadGame = 7,           // "Spiel laden"
  CommandZoomFull = 8,           // "Originalgröße [STRG] + [ENTER]"
  CommandZoomOut = 9,            // "Verkleinern [STRG] + [NUM -]"
  CommandZoomIn = 10,            // "Vergrößern [STRG] + [NUM +]"
  CommandSetGrave = 11,          // "Grabstein setzen"
  CommandCreateTransport = 12,   // "Transportmittel erstellen"
  CommandRemoveTransport = 13,   // "Transportmittel entfernen"
  CommandAttachOrDetach = 14,    // "Transportmittel anhängen" / "abhängen"
  ShortcutZoomIn = 15,           // Control + keypad Plus
  ShortcutZoomOut = 16,          // Control + keypad Minus
  ShortcutZoomFull = 17,         // Control + Return or keypad Enter
  CommandUndo = 18,              // "Rückgängig"
  CommandRedo = 19,              // "Wiederholen"
  ShortcutUndo = 20,             // Control + Z
  ShortcutRedo = 21,             // Control + Shift + Z
  ShortcutRedoY = 22,            // Control + Y
  CommandExportMap = 23,         // "Als Bild exportieren …"
  CommandExportView = 24,        // "Ansicht als Bild exportieren …"
  CommandShare = 25,             // "Mitspielern zeigen …"
};
