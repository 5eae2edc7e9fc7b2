// Catalog files as they stand on disk: the entries of "players.xml",
// "graves.xml" and "transports.xml" read into plain records, and the message
// for a malformed XML file.
#include "app/catalogs/catalogs.h"

#include "app/state/numbers.h"
#include "runtime/data/directory.h"
#include "runtime/data/xml.h"
#include "runtime/toolkit/requesters.h"

String xml_error_text(int document) {
  return String(u"Error in the XML file:") + u"\r" + u"Message: " + xml_error_message(document) + u"\r" +
         u"Line: " + string_from_number(xml_error_line(document)) + u"   Character: " +
         string_from_number(xml_error_column(document));
}

bool read_catalog_file(const String& path, const char16_t* entry_name, std::vector<CatalogRecord>& records) {
  if (!xml_load(LevelDocument, path)) return file_size(path) <= 0;
  bool complete = xml_status(LevelDocument) == 0;
  if (!complete) message_requester(u"Error", xml_error_text(LevelDocument));
  XmlNode* root = xml_main_element(LevelDocument);
  for (XmlNode* element = root && xml_node_kind(root) == ElementNode ? xml_first_child(root) : nullptr; element;
       element = xml_next_sibling(element)) {
    if (xml_node_kind(element) != ElementNode || !string_equal(xml_node_name(element), entry_name)) continue;
    CatalogRecord& record = records.emplace_back();
    for (XmlNode* child = xml_first_child(element); child; child = xml_next_sibling(child)) {
      if (xml_node_kind(child) != ElementNode) continue;
      String name = xml_node_name(child);
      if (string_equal(name, u"name")) {
        record.name = xml_node_text(child);
      } else if (string_equal(name, u"id")) {
        record.id = xml_node_text(child);
        record.has_id = true;
      } else if (string_equal(name, u"pic")) {
        record.pic = xml_node_text(child);
        record.has_pic = true;
      } else if (string_equal(name, u"comment")) {
        record.comment = xml_node_text(child);
      }
    }
  }
  xml_free(LevelDocument);
  return complete;
}
