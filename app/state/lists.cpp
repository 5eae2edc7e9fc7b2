// The catalogs, the placed pieces, the trails and the inscriptions.
#include "app/state/lists.h"

List<CatalogEntry>* PlayerCatalog = nullptr;
List<CatalogEntry>* GraveCatalog = nullptr;
List<CatalogEntry>* TransportCatalog = nullptr;
List<Piece>* Heroes = nullptr;
List<Trail>* Trails = nullptr;
List<Piece>* Graves = nullptr;
List<Piece>* Transports = nullptr;
String Inscriptions[InscriptionCount];

void create_containers() {
  if (!PlayerCatalog) PlayerCatalog = list_new<CatalogEntry>();
  if (!Heroes) Heroes = list_new<Piece>();
  if (!Trails) Trails = list_new<Trail>();
  if (!GraveCatalog) GraveCatalog = list_new<CatalogEntry>();
  if (!Graves) Graves = list_new<Piece>();
  if (!TransportCatalog) TransportCatalog = list_new<CatalogEntry>();
  if (!Transports) Transports = list_new<Piece>();
  for (String& text : Inscriptions) text.clear();
}

const String& inscription_text(int32_t index) {
  static const String none;
  if (index < 0 || index >= InscriptionCount) return none;
  return Inscriptions[index];
}
