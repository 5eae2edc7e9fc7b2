#include "app/share/page_files.h"
namespace { const unsigned char html[] = "<!doctype html><title>Tavrel</title>"; const PageFile index{"text/html; charset=utf-8", html, sizeof html - 1}; }
const PageFile* page_file(const std::string& name) { return name.empty() ? &index : nullptr; }
