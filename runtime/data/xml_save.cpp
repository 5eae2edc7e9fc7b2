// Writing documents to files. The document is written to a temporary file in
// the destination's directory, which replaces the destination only once it
// has been written and flushed completely: a failed save (disk full, file
// size limit, write error) never destroys the file that was there before.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>

#include "runtime/data/xml_internal.h"

namespace {

enum class Escape { None, Text, Attribute };

struct Output {
  int fd;
  int encoding;
  bool failed;
  size_t used;
  unsigned char buffer[4096];
};

bool write_all(int fd, const unsigned char* bytes, size_t length) {
  while (length) {
    ssize_t n = ::write(fd, bytes, length);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return false;
    bytes += n;
    length -= static_cast<size_t>(n);
  }
  return true;
}

void flush(Output& out) {
  if (out.used && !out.failed && !write_all(out.fd, out.buffer, out.used)) out.failed = true;
  out.used = 0;
}

void put_bytes(Output& out, const unsigned char* bytes, size_t length) {
  if (out.failed) return;
  if (out.used + length > sizeof out.buffer) flush(out);
  if (out.failed) return;
  if (length > sizeof out.buffer) {
    if (!write_all(out.fd, bytes, length)) out.failed = true;
    return;
  }
  std::memcpy(out.buffer + out.used, bytes, length);
  out.used += length;
}

// One character in the document's encoding. UTF-8 writes a surrogate pair as
// the single 4-byte sequence of its character (a lone surrogate, which has
// no UTF-8 form, as U+FFFD), so that the file reads back.
void put_code(Output& out, uint32_t c) {
  unsigned char b[4];
  if (out.encoding == XmlEncodingUtf16) {
    b[0] = static_cast<unsigned char>(c & 0xFF);
    b[1] = static_cast<unsigned char>(c >> 8);
    put_bytes(out, b, 2);
  } else if (out.encoding == XmlEncodingUtf8) {
    if (c < 0x80) {
      b[0] = static_cast<unsigned char>(c);
      put_bytes(out, b, 1);
    } else if (c < 0x800) {
      b[0] = static_cast<unsigned char>(0xC0 | (c >> 6));
      b[1] = static_cast<unsigned char>(0x80 | (c & 0x3F));
      put_bytes(out, b, 2);
    } else if (c < 0x10000) {
      b[0] = static_cast<unsigned char>(0xE0 | (c >> 12));
      b[1] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
      b[2] = static_cast<unsigned char>(0x80 | (c & 0x3F));
      put_bytes(out, b, 3);
    } else {
      b[0] = static_cast<unsigned char>(0xF0 | (c >> 18));
      b[1] = static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F));
      b[2] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
      b[3] = static_cast<unsigned char>(0x80 | (c & 0x3F));
      put_bytes(out, b, 4);
    }
  } else {
    b[0] = static_cast<unsigned char>(c > 255 ? ' ' : c);
    put_bytes(out, b, 1);
  }
}

void put_ascii(Output& out, const char* s) {
  for (; *s; ++s) put_code(out, static_cast<unsigned char>(*s));
}

void put_units(Output& out, const char16_t* s, size_t length, Escape escape) {
  for (size_t i = 0; i < length; ++i) {
    char16_t c = s[i];
    if (escape != Escape::None) {
      const char* entity = nullptr;
      switch (c) {
        case u'<': entity = "&lt;"; break;
        case u'>': entity = "&gt;"; break;
        case u'&': entity = "&amp;"; break;
        case u'\'': if (escape == Escape::Attribute) entity = "&apos;"; break;
        case u'"': if (escape == Escape::Attribute) entity = "&quot;"; break;
        case u'\n': if (escape == Escape::Attribute) entity = "&#10;"; break;
        case u'\r': if (escape == Escape::Attribute) entity = "&#13;"; break;
        // A raw tab in a value would read back as a blank.
        case u'\t': if (escape == Escape::Attribute) entity = "&#9;"; break;
        default: break;
      }
      if (entity) {
        put_ascii(out, entity);
        continue;
      }
    }
    if (out.encoding == XmlEncodingUtf8 && c >= 0xD800 && c <= 0xDFFF) {
      if (c <= 0xDBFF && i + 1 < length && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
        put_code(out, 0x10000 + ((uint32_t(c) - 0xD800) << 10) + (uint32_t(s[i + 1]) - 0xDC00));
        ++i;
      } else {
        put_code(out, 0xFFFD);
      }
      continue;
    }
    put_code(out, c);
  }
}

void put_string(Output& out, const char16_t* s, Escape escape) {
  if (s) put_units(out, s, xml_units(s), escape);
}

Escape text_escape(const XmlNode* node) {
  return node->kind == DocumentNode || node->kind == ElementNode ? Escape::Text : Escape::None;
}

// Writes the start of a node. Returns false when the node is complete
// already (an empty element), true when its text and children follow.
bool put_opening(Output& out, const XmlNode* node) {
  switch (node->kind) {
    case ElementNode:
      put_ascii(out, "<");
      put_string(out, node->name, Escape::None);
      for (int32_t i = 0; i < node->attribute_count; ++i) {
        put_ascii(out, " ");
        put_string(out, node->attributes[i].name, Escape::None);
        put_ascii(out, "=\"");
        put_string(out, node->attributes[i].value, Escape::Attribute);
        put_ascii(out, "\"");
      }
      if (!node->first_child && xml_units(node->text) == 0) {
        put_ascii(out, "/>");
        return false;
      }
      put_ascii(out, ">");
      return true;
    case CommentNode: put_ascii(out, "<!--"); return true;
    case CDataNode: put_ascii(out, "<![CDATA["); return true;
    case ProcessingInstructionNode:
      put_ascii(out, "<?");
      put_string(out, node->name, Escape::None);
      put_ascii(out, " ");
      return true;
    default: return true;  // the document node, a declaration: only its text
  }
}

void put_closing(Output& out, const XmlNode* node) {
  switch (node->kind) {
    case ElementNode:
      put_ascii(out, "</");
      put_string(out, node->name, Escape::None);
      put_ascii(out, ">");
      break;
    case CommentNode: put_ascii(out, "-->"); break;
    case CDataNode: put_ascii(out, "]]>"); break;
    case ProcessingInstructionNode: put_ascii(out, "?>"); break;
    default: break;
  }
}

struct SaveFrame {
  const XmlNode* node;
  const XmlNode* next_child;
  size_t length;
  size_t pos;
};

// Every node's text with its children inserted at their offsets, in document
// order, without recursion.
void put_tree(Output& out, const XmlNode* root) {
  std::vector<SaveFrame> stack;
  stack.push_back({root, root->first_child, xml_units(root->text), 0});
  while (!stack.empty() && !out.failed) {
    SaveFrame& frame = stack.back();
    const XmlNode* node = frame.node;
    if (const XmlNode* child = frame.next_child) {
      frame.next_child = child->next_sibling;
      size_t offset = child->text_offset > 0 ? static_cast<size_t>(child->text_offset) : 0;
      size_t end = frame.pos + std::min(offset, frame.length - frame.pos);
      put_units(out, node->text + frame.pos, end - frame.pos, text_escape(node));
      frame.pos = end;
      if (put_opening(out, child))
        stack.push_back({child, child->first_child, xml_units(child->text), 0});
      continue;
    }
    if (frame.pos < frame.length)
      put_units(out, node->text + frame.pos, frame.length - frame.pos, text_escape(node));
    put_closing(out, node);
    stack.pop_back();
  }
}

// The file that is to be replaced: a symbolic link is followed, so that the
// link stays and its target gets the new content.
std::string destination_of(const std::string& path) {
  struct stat link_info;
  if (lstat(path.c_str(), &link_info) == 0 && S_ISLNK(link_info.st_mode)) {
    if (char* real = realpath(path.c_str(), nullptr)) {
      std::string target = real;
      std::free(real);
      return target;
    }
  }
  return path;
}

void sync_directory(const std::string& file) {
  size_t slash = file.rfind('/');
  std::string directory = slash == std::string::npos ? "." : file.substr(0, slash + 1);
  int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  fsync(fd);
  ::close(fd);
}

}  // namespace

int xml_save(int document_number, const String& path, int flags) {
  XmlDocument* document = xml_document_table().find(document_number);
  if (!document || !document->document_node || path.empty()) return 0;
  std::string destination;
  std::string temporary;
  try {
    destination = destination_of(string_to_utf8(path));
    if (destination.empty() || destination.back() == '/') return 0;
    size_t slash = destination.rfind('/');
    std::string directory = slash == std::string::npos ? "" : destination.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? destination : destination.substr(slash + 1);
    // Hidden, named after the destination, short enough for any file system.
    temporary = directory + "." + name.substr(0, 200) + ".XXXXXX";
  } catch (const std::bad_alloc&) {
    return 0;
  }

  int fd = mkstemp(temporary.data());
  if (fd < 0) return 0;
  // The new file gets the old one's permissions (and owner, where allowed);
  // a new file those that creating it would have given.
  struct stat old_info;
  if (stat(destination.c_str(), &old_info) == 0 && S_ISREG(old_info.st_mode)) {
    if (old_info.st_uid != geteuid() || old_info.st_gid != getegid())
      if (fchown(fd, old_info.st_uid, old_info.st_gid) != 0) {
        // Not permitted: the file belongs to whoever writes it.
      }
    fchmod(fd, old_info.st_mode & 07777);
  } else {
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
  }

  auto* out = new (std::nothrow) Output{fd, document->encoding, false, 0, {}};
  if (!out) {
    ::close(fd);
    unlink(temporary.c_str());
    return 0;
  }
  try {
    if (flags & SaveWithBom) {
      if (out->encoding == XmlEncodingUtf16) {
        static const unsigned char bom[] = {0xFF, 0xFE};
        put_bytes(*out, bom, 2);
      } else if (out->encoding == XmlEncodingUtf8) {
        static const unsigned char bom[] = {0xEF, 0xBB, 0xBF};
        put_bytes(*out, bom, 3);
      }
    }
    if (!(flags & SaveNoDeclaration)) {
      put_ascii(*out, "<?xml version=\"1.0\" encoding=\"");
      put_ascii(*out, document->encoding == XmlEncodingUtf16    ? "UTF-16"
                      : document->encoding == XmlEncodingLatin1 ? "ISO-8859-1"
                                                                : "UTF-8");
      put_ascii(*out, "\"");
      if (document->standalone == 0) put_ascii(*out, " standalone=\"no\"");
      if (document->standalone == 1) put_ascii(*out, " standalone=\"yes\"");
      put_ascii(*out, "?>");
    }
    put_tree(*out, document->document_node);
  } catch (const std::bad_alloc&) {
    out->failed = true;
  }
  flush(*out);
  bool ok = !out->failed;
  delete out;
  if (ok && fsync(fd) != 0) ok = false;
  if (::close(fd) != 0) ok = false;
  if (ok && rename(temporary.c_str(), destination.c_str()) != 0) ok = false;
  if (!ok) {
    unlink(temporary.c_str());
    return 0;
  }
  sync_directory(destination);
  return 1;
}
