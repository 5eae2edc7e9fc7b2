// The user's own folders for what a program keeps between runs (the XDG
// base directories), and locks that the kernel releases when their process
// ends, however it ends.
#pragma once

#include "runtime/core/strings.h"

// $XDG_STATE_HOME, or ~/.local/state when it is unset or not absolute; with
// a final "/". "" when neither can be found.
String user_state_folder();
// $XDG_CONFIG_HOME, or ~/.config likewise.
String user_config_folder();
// Makes the folder and the folders above it that are missing (only the
// user may enter new ones). True when it exists afterwards.
bool folder_create(const String& path);

// Creates the lock file at path, already locked by this process (no other
// process ever sees it unlocked), and keeps it locked until lock_release or
// the end of the process. The lock's descriptor, or -1.
int lock_hold(const String& path);
// Takes the lock of an existing lock file when no living process holds it:
// its descriptor (held until lock_release), or -1 when another process holds
// it or there is no such file.
int lock_try(const String& path);
// Gives the lock up and closes its descriptor; the file stays.
void lock_release(int lock);
