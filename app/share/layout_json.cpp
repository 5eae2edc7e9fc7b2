// Writing the players' view as JSON (json-glib does the quoting: names and
// inscriptions come from other people's files).
#include "app/share/layout_json.h"

#include <json-glib/json-glib.h>

namespace {

std::string generate(JsonBuilder* builder) {
  JsonNode* root = json_builder_get_root(builder);
  JsonGenerator* generator = json_generator_new();
  json_generator_set_root(generator, root);
  gchar* text = json_generator_to_data(generator, nullptr);
  std::string result = text ? text : "null";
  g_free(text);
  g_object_unref(generator);
  json_node_unref(root);
  g_object_unref(builder);
  return result;
}

// Texts of pieces may come from damaged files: only valid UTF-8 goes out.
void add_text(JsonBuilder* b, const std::string& text) {
  gchar* valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
  json_builder_add_string_value(b, valid);
  g_free(valid);
}

void member(JsonBuilder* b, const char* name, int64_t value) {
  json_builder_set_member_name(b, name);
  json_builder_add_int_value(b, value);
}

void add_view(JsonBuilder* b, const SharedView& view) {
  json_builder_begin_object(b);
  member(b, "x", view.x);
  member(b, "y", view.y);
  member(b, "width", view.width);
  member(b, "height", view.height);
  member(b, "zoom", view.zoom);
  json_builder_end_object(b);
}

void add_marker(JsonBuilder* b, const SharedMarker& marker) {
  if (!marker.shown) {
    json_builder_add_null_value(b);
    return;
  }
  json_builder_begin_object(b);
  member(b, "x", marker.x);
  member(b, "y", marker.y);
  json_builder_end_object(b);
}

}  // namespace

std::string view_json(const SharedView& view) {
  JsonBuilder* b = json_builder_new();
  add_view(b, view);
  return generate(b);
}

std::string marker_json(const SharedMarker& marker) {
  if (!marker.shown) return "null";
  JsonBuilder* b = json_builder_new();
  add_marker(b, marker);
  return generate(b);
}

std::string version_json(uint64_t version) {
  JsonBuilder* b = json_builder_new();
  json_builder_begin_object(b);
  member(b, "version", static_cast<int64_t>(version));
  json_builder_end_object(b);
  return generate(b);
}

std::string layout_json(uint64_t version, const LayoutPicture& layout, const SharedView& view,
                        const SharedMarker& marker, bool everything_changed, const std::vector<MapRect>& changed) {
  JsonBuilder* b = json_builder_new();
  json_builder_begin_object(b);
  member(b, "version", static_cast<int64_t>(version));
  json_builder_set_member_name(b, "map");
  json_builder_begin_object(b);
  member(b, "width", layout.width());
  member(b, "height", layout.height());
  json_builder_end_object(b);
  json_builder_set_member_name(b, "view");
  add_view(b, view);
  json_builder_set_member_name(b, "marker");
  add_marker(b, marker);
  json_builder_set_member_name(b, "pieces");
  json_builder_begin_array(b);
  for (const SharedPiece& p : layout.pieces) {
    json_builder_begin_object(b);
    json_builder_set_member_name(b, "kind");
    json_builder_add_string_value(b, p.kind);
    json_builder_set_member_name(b, "name");
    add_text(b, p.name);
    member(b, "x", p.x);
    member(b, "y", p.y);
    member(b, "width", p.width);
    member(b, "height", p.height);
    json_builder_set_member_name(b, "text");
    add_text(b, p.text);
    json_builder_end_object(b);
  }
  json_builder_end_array(b);
  json_builder_set_member_name(b, "changed");
  if (everything_changed) {
    json_builder_add_null_value(b);
  } else {
    json_builder_begin_array(b);
    for (const MapRect& r : changed) {
      json_builder_begin_array(b);
      json_builder_add_int_value(b, r.x);
      json_builder_add_int_value(b, r.y);
      json_builder_add_int_value(b, r.width);
      json_builder_add_int_value(b, r.height);
      json_builder_end_array(b);
    }
    json_builder_end_array(b);
  }
  json_builder_end_object(b);
  return generate(b);
}
