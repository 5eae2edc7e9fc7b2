// Transports: creating, removing, attaching to a hero's convoy and detaching.
//
// A hero's links hold its convoy: up to MaxConvoy 1-based positions in
// Transports, packed from slot 0 (the transport next to the hero); a
// transport's links[0] is the 1-based position of its hero, 0 when free. The
// links are signed bytes, so only the first 127 transports and heroes can be
// linked. These commands keep both directions in agreement and pass over
// links that a damaged formation file may bring.
#pragma once

#include <cstdint>

// The largest position a link can hold.
constexpr int LinkLimit = 127;

// Command "Transportmittel erstellen": the user picks a vehicle, names it
// (the catalog name offered) and its owner; a free transport goes to
// PopupPoint with the text "<vehicle> von <owner>".
void create_transport();
// Command "Transportmittel entfernen": after a Yes, detaches the current
// transport, frees its text, renumbers every convoy behind it, removes it and
// empties the hover label.
void remove_transport();
// Command "Transportmittel anhängen" / "Transportmittel abhängen" of the
// transport menu, for the transport the context menu made current: a free
// one is attached to a hero the user picks (nothing happens when the picker
// is cancelled), an attached one goes to the end of its convoy and is
// detached. Either way the hover label is emptied.
void attach_or_detach_transport();
// Attaches the current transport to the end of the convoy of the hero at
// position hero of Heroes (-1: the current hero; the current hero stays as it
// was) and lays the convoy out along the hero's trail at once. A full convoy
// or a position beyond LinkLimit is refused with a message; the transport then
// stays as it was. The transport is current afterwards.
void attach_transport(int64_t hero);
// Where a detached transport goes.
enum class DetachTo {
  ConvoyEnd,  // where the convoy's last member stood
  Here,       // stays where it is (a drag begins)
};
// Detaches the current transport from its hero; the members behind it close
// up. A transport whose hero does not list it is only freed.
void detach_transport(DetachTo place);
