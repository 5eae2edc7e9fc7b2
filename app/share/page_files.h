// The players' page, built into the program.
#pragma once

#include <cstddef>
#include <string>

struct PageFile { const char* content_type; const unsigned char* data; size_t size; };
// The page's file of that name ("" for index.html, "page.js", "page.css"); nullptr for any other name.
const PageFile* page_file(const std::string& name);
