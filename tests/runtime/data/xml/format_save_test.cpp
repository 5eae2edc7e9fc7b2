// Building, formatting and saving documents.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "xml_test_support.h"

namespace {

using XmlWrite = XmlTest;

// The document the player icon dialog builds: per player name, id, pic, comment.
int build_players(const std::vector<std::vector<String>>& players) {
  int doc = xml_create(AnyNumber);
  XmlNode* root = xml_add_element(xml_root_node(doc), u"players");
  for (const auto& p : players) {
    XmlNode* player = xml_add_element(root, u"player");
    int i = 0;
    for (const char16_t* field : {u"name", u"id", u"pic", u"comment"}) xml_set_node_text(xml_add_element(player, field), p[i++]);
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
  EXPECT_EQ(xml_add_element(xml_root_node(doc), u"second"), nullptr);  // one main element only
  xml_format(doc, FormatCrLf | FormatIndent, 2);
  ASSERT_EQ(xml_save(doc, upath("players.xml"), 0), 1);
  EXPECT_EQ(read("players.xml"), PlayersFile);

  // Read back, formatted and saved again, the file stays the same.
  ASSERT_EQ(xml_load(0, upath("players.xml")), 1);
  xml_format(0, 129, 2);
  ASSERT_EQ(xml_save(0, upath("again.xml"), 0), 1);
  EXPECT_EQ(read("again.xml"), PlayersFile);

  doc = build_players({});
  xml_format(doc, 129, 2);
  ASSERT_EQ(xml_save(doc, upath("players.xml"), 0), 1);
  EXPECT_EQ(read("players.xml"), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n\r\n<players/>\r\n");
}

TEST_F(XmlWrite, EscapingByContext) {
  const std::string source = "<a x=\"&lt;&gt;&amp;&apos;&quot;&#10;&#13;&#9;z\">&lt;b&gt; &amp; 'q' \"d\""
                             "<!--<&>--><![CDATA[<&>]]><?p <&>?></a>";
  ASSERT_NE(load(0, source), 0);
  ASSERT_EQ(xml_save(0, upath("out.xml"), SaveNoDeclaration), 1);
  EXPECT_EQ(read("out.xml"), source);
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

TEST_F(XmlWrite, FailedSaveKeepsTheOldFileAndASaveKeepsPermissionsAndLinks) {
  const std::string old_content = "<players><player><name>Old</name></player></players>";
  write("players.xml", old_content);
  chmod(path("players.xml").c_str(), 0666);
  chmod(dir.c_str(), 0777);  // for the child without root rights
  int doc = build_players(std::vector<std::vector<String>>(500, {u"Player", u"7", u"p.png", u"A comment"}));
  xml_format(doc, 129, 2);
  EXPECT_EQ(save_in_child(doc, upath("players.xml"), 4096), 0);
  EXPECT_EQ(read("players.xml"), old_content);

  // The file is writable, its directory is not: writing in place would work,
  // but the new file is never put together beside it.
  chmod(dir.c_str(), 0555);
  EXPECT_EQ(save_in_child(doc, upath("players.xml"), RLIM_INFINITY), 0);
  chmod(dir.c_str(), 0777);
  EXPECT_EQ(read("players.xml"), old_content);
  EXPECT_EQ(xml_save(doc, upath("none/players.xml"), 0) + xml_save(doc, u"", 0) + xml_save(99, upath("x.xml"), 0), 0);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);  // no temporary file left

  // A save that succeeds replaces the file, keeps its permissions and writes
  // through a symbolic link to its target.
  chmod(path("players.xml").c_str(), 0646);
  ASSERT_EQ(symlink("players.xml", path("link.xml").c_str()), 0);
  EXPECT_EQ(save_in_child(doc, upath("link.xml"), RLIM_INFINITY), 1);
  EXPECT_NE(read("players.xml").find("<id>7</id>"), std::string::npos);
  struct stat info;
  ASSERT_EQ(stat(path("players.xml").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0646u);
  ASSERT_EQ(lstat(path("link.xml").c_str(), &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode));
}

}  // namespace
