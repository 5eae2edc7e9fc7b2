// Transports and the convoys of the heroes.
#include "app/pieces/transports.h"

#include <algorithm>
#include <iterator>

#include "app/mapview/model.h"
#include "app/mapview/picker.h"
#include "app/mapview/render.h"
#include "app/pieces/graves.h"
#include "app/pieces/inscriptions.h"
#include "app/state/lists.h"
#include "app/state/program.h"
#include "runtime/toolkit/requesters.h"

namespace {

// Drops the slots of a hero's convoy that name no transport, a transport that
// does not point back to this hero, or one named before; the others close up
// in their order. Only a damaged formation file holds such slots.
void tidy_convoy(Piece* hero, int64_t hero_position) {
  KeepCurrent<Piece> keep(Transports);
  int8_t kept[MaxConvoy] = {};
  int count = 0;
  for (int8_t link : hero->links) {
    if (link <= 0 || std::find(kept, kept + count, link) != kept + count) continue;
    Piece* transport = list_select(Transports, link - 1);
    if (transport && transport->links[0] == hero_position + 1) kept[count++] = link;
  }
  std::copy(std::begin(kept), std::end(kept), hero->links);
}

// After the transport at position removed was taken out of Transports: no
// convoy names it any more, and the links behind it move down by one.
void renumber_convoys(int64_t removed) {
  KeepCurrent<Piece> keep(Heroes);
  list_reset(Heroes);
  while (Piece* hero = list_next(Heroes)) {
    int8_t kept[MaxConvoy] = {};
    int count = 0;
    for (int8_t link : hero->links) {
      if (link == removed + 1) continue;
      kept[count++] = static_cast<int8_t>(link > removed + 1 ? link - 1 : link);
    }
    std::copy(std::begin(kept), std::end(kept), hero->links);
  }
}

}  // namespace

void create_transport() {
  name_step(u"Transportmittel erstellen");
  CatalogEntry entry;
  if (!pick_new_piece(TransportCatalog, false, entry)) return;
  String vehicle = input_requester(u"Tavrel", u"Name Transportgerätes", entry.name);
  String owner = input_requester(u"Tavrel", u"Name des Helden oder der Heldengruppe", u"");
  place_new_piece(entry.id, Transports, TransportCatalog, vehicle + u" von " + owner);
}

void remove_transport() {
  Piece* transport = list_current(Transports);
  if (!transport) return;
  if (message_requester(u"Tavrel", u"Soll das Transportmittel tatsächlich entfernt werden?", ButtonsYesNo) !=
      ResultYes)
    return;
  name_step(u"Transportmittel entfernen");
  release_inscription(transport->inscription, transport);
  list_set_current(Transports, transport);
  int64_t position = list_index(Transports);
  detach_transport(DetachTo::ConvoyEnd);
  renumber_convoys(position);
  list_set_current(Transports, transport);
  list_delete(Transports);
  HoverLabel.text.clear();
  note_change();
}

void attach_transport(int64_t hero_position) {
  note_change();
  KeepCurrent<Piece> keep(Heroes);
  Piece* hero = hero_position == -1 ? list_current(Heroes) : list_select(Heroes, hero_position);
  Piece* transport = list_current(Transports);
  if (!hero || !transport) return;
  int64_t h = list_index(Heroes), position = list_index(Transports);
  if (h >= LinkLimit || position >= LinkLimit) {
    message_requester(u"Tavrel", u"Nur die ersten " + string_from_number(LinkLimit) +
                                     u" Transportmittel können an die ersten " + string_from_number(LinkLimit) +
                                     u" Spieler angehängt werden.");
    return;
  }
  // Already in a convoy (only a damaged file or a second drop brings this):
  // it leaves that convoy first, so that it is never listed twice.
  if (transport->links[0] != 0) detach_transport(DetachTo::Here);
  tidy_convoy(hero, h);
  int slot = static_cast<int>(std::find(hero->links, hero->links + MaxConvoy, 0) - hero->links);
  if (slot == MaxConvoy) {
    message_requester(u"Tavrel", u"Pro Spieler können maximal " + string_from_number(MaxConvoy) +
                                     u" Transportmittel angehängt werden.");
    return;
  }
  hero->links[slot] = static_cast<int8_t>(position + 1);
  transport->links[0] = static_cast<int8_t>(h + 1);
  if (Trail* trail = list_select(Trails, h)) layout_convoy(hero, trail);
  list_set_current(Transports, transport);
}

void attach_or_detach_transport() {
  Piece* transport = list_current(Transports);
  if (!transport) return;
  if (transport->links[0] == 0) {
    name_step(u"Transportmittel anhängen");
    int hero = pick_catalog_entry(PlayerCatalog, MapView.player_size, MapView.player_size, false);
    if (hero == -1) return;
    attach_transport(hero);
  } else {
    name_step(u"Transportmittel abhängen");
    detach_transport(DetachTo::ConvoyEnd);
  }
  HoverLabel.text.clear();
}

void detach_transport(DetachTo where) {
  Piece* transport = list_current(Transports);
  if (!transport || transport->links[0] == 0) return;
  note_change();
  KeepCurrent<Piece> keep(Heroes);
  int64_t position = list_index(Transports);
  TrailPoint place{transport->x, transport->y};
  int64_t h = transport->links[0] - 1;
  if (Piece* hero = list_select(Heroes, h)) {
    tidy_convoy(hero, h);
    int slot = static_cast<int>(std::find(hero->links, hero->links + MaxConvoy, position + 1) - hero->links);
    // Each member behind moves up into the place of the one in front of it;
    // place ends as the former place of the last member.
    for (int k = slot + 1; k < MaxConvoy; k++) {
      if (hero->links[k] == 0) {
        hero->links[k - 1] = 0;
        break;
      }
      if (Piece* behind = list_select(Transports, hero->links[k] - 1)) {
        TrailPoint was{behind->x, behind->y};
        behind->x = place.x;
        behind->y = place.y;
        place = was;
      }
      hero->links[k - 1] = hero->links[k];
    }
    if (slot < MaxConvoy) hero->links[MaxConvoy - 1] = 0;
  }
  list_set_current(Transports, transport);
  transport->links[0] = 0;
  if (where == DetachTo::ConvoyEnd) {
    transport->x = place.x;
    transport->y = place.y;
  }
}
