// The documents folder on Windows: the one the system names (Known Folder "Documents", which
// the user may have moved or redirected), else the profile's Documents.
#include <shlobj.h>
#include <windows.h>

#include <cstdlib>

#include "shell/UserDirs.h"

namespace nr {

std::filesystem::path DocumentsFolder() {
  wchar_t* folder = nullptr;
  std::filesystem::path documents;
  if (::SHGetKnownFolderPath(FOLDERID_Documents, KF_FLAG_DEFAULT, nullptr, &folder) == S_OK && folder) documents = folder;
  ::CoTaskMemFree(folder);
  if (!documents.empty()) return documents;
  const wchar_t* profile = ::_wgetenv(L"USERPROFILE");
  return std::filesystem::path(profile && *profile ? profile : L".") / "Documents";
}

}  // namespace nr
