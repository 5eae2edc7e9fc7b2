# Writes the players' page into a C++ source: cmake -DPAGE_DIR=<folder of the
# page> -DOUTPUT=<page_files.cpp> -P embed.cmake. The source is only replaced
# when its text changes.
if(NOT PAGE_DIR OR NOT OUTPUT)
  message(FATAL_ERROR "embed.cmake needs -DPAGE_DIR and -DOUTPUT")
endif()

set(text "// Made by app/share/page/embed.cmake from the files in app/share/page.\n")
string(APPEND text "#include \"app/share/page_files.h\"\n\nnamespace {\n")
set(table "")
set(number 0)
foreach(entry "index.html|text/html; charset=utf-8|"
              "page.js|text/javascript; charset=utf-8|page.js"
              "page.css|text/css; charset=utf-8|page.css")
  string(REPLACE "|" ";" entry "${entry}")
  list(GET entry 0 file)
  list(GET entry 1 type)
  list(LENGTH entry parts)
  set(name "")
  if(parts GREATER 2)
    list(GET entry 2 name)
  endif()
  file(READ "${PAGE_DIR}/${file}" hex HEX)
  string(LENGTH "${hex}" digits)
  math(EXPR size "${digits} / 2")
  # Sixteen bytes a line; a 0 after the last so that no array is empty.
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "((0x..,){16})" "\\1\n  " bytes "${bytes}")
  string(APPEND text "// ${file}\nconst unsigned char data${number}[] = {\n  ${bytes}0};\n")
  string(APPEND table "  {\"${name}\", {\"${type}\", data${number}, ${size}}},\n")
  math(EXPR number "${number} + 1")
endforeach()
string(APPEND text "
struct Entry { const char* name; PageFile file; };
const Entry files[] = {
${table}};

}  // namespace

const PageFile* page_file(const std::string& name) {
  for (const Entry& entry : files)
    if (name == entry.name) return &entry.file;
  return nullptr;
}
")
file(WRITE "${OUTPUT}.new" "${text}")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
