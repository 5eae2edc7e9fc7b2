# Writes the players' page into a C++ source: cmake -DPAGE_DIR=<folder of the
# page> -DOUTPUT=<page_files.cpp> -P embed.cmake.
if(NOT PAGE_DIR OR NOT OUTPUT)
  message(FATAL_ERROR "embed.cmake needs -DPAGE_DIR and -DOUTPUT")
endif()

set(text "// Made by app/share/page/embed.cmake from the files in app/share/page.\n")
string(APPEND text "#include \"app/share/page_files.h\"\n\nnamespace {\n")
set(table "")
set(number 0)
string(REPEAT "[0-9a-f]" 32 sixteen_bytes)

# embed(<file> <name> <content type>): the file's bytes as an array and its line in the table.
function(embed file name type)
  file(READ "${PAGE_DIR}/${file}" hex HEX)
  string(LENGTH "${hex}" digits)
  math(EXPR size "${digits} / 2")
  string(REGEX REPLACE "(${sixteen_bytes})" "\\1\n  " hex "${hex}")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  # A 0 after the last byte, so that no array is empty.
  string(APPEND text "// ${file}\nconst unsigned char data${number}[] = {\n  ${bytes}0};\n")
  string(APPEND table "  {\"${name}\", {\"${type}\", data${number}, ${size}}},\n")
  math(EXPR number "${number} + 1")
  set(text "${text}" PARENT_SCOPE)
  set(table "${table}" PARENT_SCOPE)
  set(number ${number} PARENT_SCOPE)
endfunction()

embed(index.html "" "text/html; charset=utf-8")
embed(page.js "page.js" "text/javascript; charset=utf-8")
embed(page.css "page.css" "text/css; charset=utf-8")

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
file(WRITE "${OUTPUT}" "${text}")
