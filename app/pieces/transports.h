// Transports: creating, removing, attaching to a hero's convoy and detaching.
#pragma once

#include <cstdint>

// Command "Transportmittel erstellen": a free transport at PopupPoint.
void create_transport();
// Command "Transportmittel entfernen": removes the current transport.
void remove_transport();
// Attaches the current transport to the hero at position hero of Heroes (-1:
// the current hero) and lays out the convoy.
void attach_transport(int64_t hero);
// Detaches the current transport from its hero; to_convoy_end 1 moves it
// behind the convoy's last transport, 0 leaves it where it is.
void detach_transport(int to_convoy_end);
