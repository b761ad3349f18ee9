// The documents folder from user-dirs.dirs, as both nrtune and nrctl find it.
#include <gtest/gtest.h>

#include <fstream>

#include "shell/UserDirs.h"
#include "support/ScratchDir.h"

namespace nr {
namespace {

class UserDirs : public ::testing::Test {
 protected:
  std::filesystem::path Documents(const std::string& file) {
    const std::filesystem::path config = dir_.path() / "config";
    std::filesystem::create_directories(config);
    std::ofstream(config / "user-dirs.dirs") << file;
    return DocumentsFolder(home_, config);
  }
  test::ScratchDir dir_{"userdirs"};
  std::filesystem::path home_ = "/home/ann";
};

TEST_F(UserDirs, QuotedAndUnquotedEntriesAndHomeExpansion) {
  EXPECT_EQ(Documents("# written by xdg-user-dirs-update\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n"),
            "/home/ann/Dokumente");
  // Written by hand, without quotes: the desktop accepts it, so do we.
  EXPECT_EQ(Documents("XDG_DOCUMENTS_DIR=$HOME/Papers\n"), "/home/ann/Papers");
  EXPECT_EQ(Documents("XDG_DOCUMENTS_DIR=\"/srv/docs\"\r\n"), "/srv/docs");
  // The last of several entries counts, as when a shell reads the file.
  EXPECT_EQ(Documents("XDG_DOCUMENTS_DIR=\"/a\"\nXDG_DOCUMENTS_DIR=\"/b\"\n"), "/b");
  // Another variable that merely begins alike is no documents entry.
  EXPECT_EQ(Documents("XDG_DOCUMENTS_DIRS=\"/x\"\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"), "/home/ann/Documents");
}

TEST_F(UserDirs, UnusableEntriesFallBackToDocumentsInHome) {
  // The home folder itself means "no documents folder"; a relative path or an empty value is no
  // folder at all; "$HOMEWORK" is not "$HOME" followed by text.
  for (const char* file : {"XDG_DOCUMENTS_DIR=\"$HOME/\"\n", "XDG_DOCUMENTS_DIR=\"$HOME\"\n",
                           "XDG_DOCUMENTS_DIR=\"docs\"\n", "XDG_DOCUMENTS_DIR=\"\"\n", "XDG_DOCUMENTS_DIR=\n",
                           "XDG_DOCUMENTS_DIR=\"$HOMEWORK/x\"\n", "  XDG_DOCUMENTS_DIR=\"/indented\"\n"})
    EXPECT_EQ(Documents(file), "/home/ann/Documents") << file;
  EXPECT_EQ(DocumentsFolder(home_, dir_.path() / "no-such-folder"), "/home/ann/Documents");
}

}  // namespace
}  // namespace nr
