// Finding the program directory from the link to the running program.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "app/shell/shell.h"
#include "../catalogs/level_files.h"

namespace {

class ProgramDirTest : public ::testing::Test {
 protected:
  // A symbolic link in the temporary directory pointing at target (which
  // need not exist); returns the link's path.
  std::string link_to(const std::string& target) {
    std::string link = dir_.path() + "link" + std::to_string(count_++);
    EXPECT_EQ(symlink(target.c_str(), link.c_str()), 0);
    return link;
  }

  TempProgramDir dir_;
  int count_ = 0;
};

TEST_F(ProgramDirTest, DirectoryPartOfTheLinkEndingInASlash) {
  EXPECT_EQ(find_program_dir(link_to("/opt/tavrel/bin/tavrel").c_str(), "/ignored/x"), u"/opt/tavrel/bin/");
  // A path that already ends in "/" gets no second one.
  EXPECT_EQ(find_program_dir(link_to("/opt/tavrel/").c_str(), nullptr), u"/opt/tavrel/");
  EXPECT_EQ(find_program_dir(link_to("/tavrel").c_str(), nullptr), u"/");
  // No "/" at all: the directory part is empty and becomes "/".
  EXPECT_EQ(find_program_dir(link_to("tavrel").c_str(), nullptr), u"/");
  EXPECT_EQ(find_program_dir(link_to("/opt/Spiele/Größe/tavrel").c_str(), nullptr), u"/opt/Spiele/Größe/");
}

TEST_F(ProgramDirTest, LongLinksAroundTheBufferSizes) {
  // 254, 255 and 256 bytes fill the first buffer differently; 600 needs two
  // growth steps.
  for (size_t length : {254u, 255u, 256u, 510u, 511u, 600u}) {
    std::string directory = "/";
    while (directory.size() + 10 < length) directory += "d123456789/";
    directory.resize(length - 6);
    if (directory.back() == '/') directory.back() = 'x';
    directory += "/";
    std::string target = directory + "prog";
    target.resize(length, 'p');
    ASSERT_EQ(target.size(), length);
    EXPECT_EQ(find_program_dir(link_to(target).c_str(), nullptr), string_from_utf8(directory)) << length;
  }
}

TEST_F(ProgramDirTest, UnreadableLinkFallsBackToTheFirstArgument) {
  std::string missing = dir_.path() + "no-such-link";
  EXPECT_EQ(find_program_dir(missing.c_str(), "/usr/local/bin/tavrel"), u"/usr/local/bin/");
  EXPECT_EQ(find_program_dir(missing.c_str(), "./tavrel"), u"./");
  EXPECT_EQ(find_program_dir(missing.c_str(), "tavrel"), u"/");
  EXPECT_EQ(find_program_dir(missing.c_str(), nullptr), u"/");
  EXPECT_EQ(find_program_dir(missing.c_str(), ""), u"/");
  // A plain file is no link either.
  dir_.write("plain", "x");
  EXPECT_EQ(find_program_dir((dir_.path() + "plain").c_str(), "/a/b"), u"/a/");
  EXPECT_EQ(find_program_dir(nullptr, "/a/b"), u"/a/");
}

TEST_F(ProgramDirTest, TheRunningProgram) {
  String dir = find_program_dir("/proc/self/exe", nullptr);
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.front(), u'/');
  EXPECT_EQ(dir.back(), u'/');
  EXPECT_EQ(access((string_to_utf8(dir) + "test_app").c_str(), X_OK), 0);
}

}  // namespace
