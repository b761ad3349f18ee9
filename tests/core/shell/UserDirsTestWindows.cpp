// The documents folder on Windows: the Documents known folder, as the user may have moved it.
#include <gtest/gtest.h>
#include <shlobj.h>

#include "shell/UserDirs.h"

namespace nr {
namespace {

TEST(UserDirs, DocumentsIsTheFolderTheSystemNames) {
  wchar_t* known = nullptr;
  ASSERT_EQ(::SHGetKnownFolderPath(FOLDERID_Documents, KF_FLAG_DEFAULT, nullptr, &known), S_OK);
  const std::filesystem::path expected(known);
  ::CoTaskMemFree(known);
  const std::filesystem::path documents = DocumentsFolder();
  EXPECT_TRUE(documents.is_absolute()) << documents.string();
  EXPECT_EQ(documents, expected);
}

}  // namespace
}  // namespace nr
