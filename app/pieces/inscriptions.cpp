// The inscription pool of graves and transports.
#include "app/pieces/inscriptions.h"

namespace {

// Marks in held[] every index from 1 that a grave or transport other than except
// holds. The lists' current elements are left as they were.
void mark_held_inscriptions(bool (&held)[InscriptionCount], const Piece* except) {
  for (List<Piece>* list : {Graves, Transports}) {
    walk_list(list, [&](Piece* piece) {
      if (piece != except && piece->inscription > 0 && piece->inscription < InscriptionCount)
        held[piece->inscription] = true;
    });
  }
}

}  // namespace

int32_t take_inscription(const String& text) {
  bool held[InscriptionCount] = {};
  mark_held_inscriptions(held, nullptr);
  for (int32_t i = 1; i < InscriptionCount; i++) {
    if (Inscriptions[i].empty() && !held[i]) {
      Inscriptions[i] = text;
      return i;
    }
  }
  return 0;
}

void release_inscription(int32_t index, const Piece* holder) {
  if (index <= 0 || index >= InscriptionCount) return;
  bool held[InscriptionCount] = {};
  mark_held_inscriptions(held, holder);
  if (!held[index]) Inscriptions[index].clear();
}
