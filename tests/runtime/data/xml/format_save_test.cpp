// Building, formatting and saving documents.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "xml_test_support.h"

namespace {

using XmlWrite = XmlTest;

struct Player {
  String name, id, pic, comment;
};

// The document the player icon dialog builds.
int build_players(const std::vector<Player>& players) {
  int doc = xml_create(AnyNumber);
  XmlNode* root = xml_add_element(xml_root_node(doc), u"players");
  for (const Player& p : players) {
    XmlNode* player = xml_add_element(root, u"player");
    xml_set_node_text(xml_add_element(player, u"name"), p.name);
    xml_set_node_text(xml_add_element(player, u"id"), p.id);
    xml_set_node_text(xml_add_element(player, u"pic"), p.pic);
    xml_set_node_text(xml_add_element(player, u"comment"), p.comment);
  }
  return doc;
}

// Written out by hand from the file layout: declaration, an empty line, CR LF
// line ends, two spaces per level, the empty-element form for an empty text,
// a text with line ends on indented lines of its own.
const char PlayersFile[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    "\r\n"
    "<players>\r\n"
    "  <player>\r\n"
    "    <name>Anna Berg</name>\r\n"
    "    <id>1</id>\r\n"
    "    <pic>anna.png</pic>\r\n"
    "    <comment>\r\n"
    "      Line one\r\n"
    "      Line two\r\n"
    "    </comment>\r\n"
    "  </player>\r\n"
    "  <player>\r\n"
    "    <name>Bj\xC3\xB6rn \"B\" \xF0\x9F\x98\x80</name>\r\n"
    "    <id>2</id>\r\n"
    "    <pic/>\r\n"
    "    <comment>Fish &amp; chips &lt;3</comment>\r\n"
    "  </player>\r\n"
    "</players>\r\n";

TEST_F(XmlWrite, PlayersFileIsWrittenByteForByte) {
  int doc = build_players({{u"Anna  Berg", u"1", u"anna.png", u"Line one\n\n   Line two"},
                           {u"Bj\u00f6rn \"B\" \U0001F600", u"2", u"", u"Fish & chips <3"}});
  xml_format(doc, FormatCrLf | FormatIndent, 2);
  ASSERT_EQ(xml_save(doc, upath("players.xml"), 0), 1);
  EXPECT_EQ(read("players.xml"), PlayersFile);
  EXPECT_EQ(entries(), 1);

  // Read back, formatted and saved again, the file stays the same.
  ASSERT_EQ(xml_load(0, upath("players.xml")), 1);
  xml_format(0, 129, 2);
  ASSERT_EQ(xml_save(0, upath("again.xml"), 0), 1);
  EXPECT_EQ(read("again.xml"), PlayersFile);

  xml_free(doc);
  doc = build_players({});
  xml_format(doc, 129, 2);
  ASSERT_EQ(xml_save(doc, upath("players.xml"), 0), 1);
  EXPECT_EQ(read("players.xml"), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n\r\n<players/>\r\n");
}

TEST_F(XmlWrite, CreatedDocumentsAndElements) {
  EXPECT_EQ(xml_create(4), 1);
  EXPECT_EQ(xml_line_end_style(4), LineEndLf);
  XmlNode* main = xml_add_element(xml_root_node(4), u"a");
  EXPECT_EQ(xml_main_element(4), main);
  EXPECT_EQ(xml_add_element(xml_root_node(4), u"b"), nullptr);
  xml_set_node_text(main, u"Hello ");
  XmlNode* bold = xml_add_element(main, u"b");  // after all of the parent's text
  EXPECT_EQ(xml_node_text_offset(bold), 6);
  xml_set_node_text(bold, u"you");
  xml_set_node_text(main, u"Hello !");
  String lone = String(u"a") + char16_t(0xD800) + u"b";  // no UTF-8 form: written as U+FFFD
  xml_set_node_text(xml_add_element(bold, u"c"), lone);
  ASSERT_EQ(xml_save(4, upath("a.xml"), SaveNoDeclaration), 1);
  EXPECT_EQ(read("a.xml"), "<a>Hello <b>you<c>a\xEF\xBF\xBD" "b</c></b>!</a>");
}

TEST_F(XmlWrite, EscapingInTextsAndAttributeValues) {
  const std::string source = "<a x=\"&lt;&gt;&amp;&apos;&quot;&#10;&#13;&#9;z\">&lt;b&gt; &amp; 'q' \"d\""
                             "<!--<&>--><![CDATA[<&>]]><?p <&>?></a>";
  ASSERT_NE(load(0, source), 0);
  ASSERT_EQ(xml_save(0, upath("out.xml"), SaveNoDeclaration), 1);
  EXPECT_EQ(read("out.xml"), source);
  ASSERT_NE(xml_load(1, upath("out.xml")), 0);
  XmlNode* a = xml_main_element(1);
  xml_attributes_begin(a);
  xml_attributes_next(a);
  EXPECT_EQ(xml_attribute_value(a), u"<>&'\"\n\r\tz");
  EXPECT_EQ(xml_node_text(a), u"<b> & 'q' \"d\"");
}

TEST_F(XmlWrite, EncodingsByteOrderMarksAndDeclaration) {
  const std::string utf8 = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><r>\xC3\xA4\xE2\x82\xAC</r>";
  ASSERT_NE(load(1, utf8), 0);
  ASSERT_EQ(xml_save(1, upath("u8.xml"), SaveWithBom), 1);
  EXPECT_EQ(read("u8.xml"), "\xEF\xBB\xBF" + utf8);

  ASSERT_NE(load(2, utf16(u"<?xml version=\"1.0\" encoding=\"UTF-16\" standalone='yes'?><r>\u00e4</r>", true, true)), 0);
  ASSERT_EQ(xml_save(2, upath("u16.xml"), SaveWithBom), 1);
  EXPECT_EQ(read("u16.xml"),
            utf16(u"<?xml version=\"1.0\" encoding=\"UTF-16\" standalone=\"yes\"?><r>\u00e4</r>", false, true));
  ASSERT_EQ(xml_save(2, upath("u16.xml"), SaveNoDeclaration), 1);
  EXPECT_EQ(read("u16.xml"), utf16(u"<r>\u00e4</r>", false, false));
}

TEST_F(XmlWrite, FormatFlags) {
  const std::string mixed = "<a>x  y\r\n\r\n  z<b> p\t q </b>\r\n<![CDATA[ 1  \r\n 2 ]]></a>";
  const struct { std::string source; int flags; std::string saved; } cases[] = {
      {mixed, FormatLf, "<a>x  y\n\n  z<b> p\t q </b>\n<![CDATA[ 1  \n 2 ]]></a>"},
      {mixed, FormatDropRepeatedLineEnds | FormatCollapseBlanks,
       "<a>x y\r\nz<b> p\tq </b>\r\n<![CDATA[ 1  \r\n 2 ]]></a>"},
      {mixed, FormatDropLineEnds | FormatDropBlanks, "<a>xyz<b>pq</b><![CDATA[ 1  \r\n 2 ]]></a>"},
      {"<x>\n\n<e/>\n\n<f>y</f>  z</x>", FormatDropRepeatedLineEnds | FormatCollapseBlanks,
       "<x>\n<e/>\n<f>y</f> z</x>"},
      {"<a>1\n<b>2\r3</b>\n<![CDATA[4\n5]]></a>", FormatCrLf, "<a>1\r\n<b>2\r\n3</b>\r\n<![CDATA[4\r\n5]]></a>"},
      {"<?xml version=\"1.0\"?>\n<!-- c -->\n<doc>\n\n\n    <p>Hello <b>bold</b>   world</p><list>"
       "<item>1</item>   <item>two\nlines  </item></list><e></e></doc>",
       FormatIndent,
       "\n\n<!-- c -->\n\n<doc>\n  <p>Hello <b>bold</b> world</p>\n  <list>\n    <item>1</item>\n"
       "    <item>\n      two\n      lines \n    </item>\n  </list>\n  <e/>\n</doc>\n"}};
  for (const auto& c : cases) {
    ASSERT_NE(load(0, c.source), 0);
    xml_format(0, c.flags, 2);
    ASSERT_EQ(xml_save(0, upath("o.xml"), SaveNoDeclaration), 1);
    EXPECT_EQ(read("o.xml"), c.saved) << c.flags;
  }
}

// Saves in a child process that may write at most limit bytes per file and,
// when running as root, gives up root first (root passes every permission check).
int save_in_child(int doc, const String& path, rlim_t limit) {
  pid_t pid = fork();
  if (pid == 0) {
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit rl {limit, limit};
    setrlimit(RLIMIT_FSIZE, &rl);
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
    _exit(xml_save(doc, path, 0));
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(XmlWrite, FailedSaveKeepsTheOldFile) {
  const std::string old_content = "<players><player><name>Old</name></player></players>";
  write("players.xml", old_content);
  chmod(path("players.xml").c_str(), 0666);
  chmod(dir.c_str(), 0777);  // for the child without root rights
  std::vector<Player> many(500, {u"Player", u"7", u"p.png", u"A comment"});
  int doc = build_players(many);
  xml_format(doc, 129, 2);
  EXPECT_EQ(save_in_child(doc, upath("players.xml"), 4096), 0);
  EXPECT_EQ(read("players.xml"), old_content);

  // The file is writable, its directory is not: writing in place would work,
  // but the new file is never put together beside it.
  chmod(dir.c_str(), 0555);
  EXPECT_EQ(save_in_child(doc, upath("players.xml"), RLIM_INFINITY), 0);
  chmod(dir.c_str(), 0777);
  EXPECT_EQ(read("players.xml"), old_content);

  std::filesystem::create_directory(path("sub.xml"));
  EXPECT_EQ(xml_save(doc, upath("sub.xml"), 0), 0);
  EXPECT_EQ(xml_save(doc, upath("none/players.xml"), 0), 0);
  EXPECT_EQ(xml_save(doc, u"", 0), 0);
  EXPECT_EQ(entries(), 2);

  // A save that succeeds replaces the file and keeps its permissions.
  chmod(path("players.xml").c_str(), 0646);
  EXPECT_EQ(save_in_child(doc, upath("players.xml"), RLIM_INFINITY), 1);
  EXPECT_NE(read("players.xml").find("<id>7</id>"), std::string::npos);
  struct stat info;
  ASSERT_EQ(stat(path("players.xml").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0646u);
}

TEST_F(XmlWrite, SavingThroughALinkWritesItsTarget) {
  int doc = build_players({});
  write("target.xml", "<old/>");
  ASSERT_EQ(symlink("target.xml", path("link.xml").c_str()), 0);
  ASSERT_EQ(xml_save(doc, upath("link.xml"), SaveNoDeclaration), 1);
  struct stat info;
  ASSERT_EQ(lstat(path("link.xml").c_str(), &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode));
  EXPECT_EQ(read("target.xml"), "<players/>");
}

}  // namespace
