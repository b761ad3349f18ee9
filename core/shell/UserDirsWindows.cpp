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

std::filesystem::path DataFolder() {
  wchar_t* folder = nullptr;
  std::filesystem::path data;
  if (::SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_DEFAULT, nullptr, &folder) == S_OK && folder) data = folder;
  ::CoTaskMemFree(folder);
  if (!data.empty()) return data;
  const wchar_t* appData = ::_wgetenv(L"APPDATA");
  return std::filesystem::path(appData && *appData ? appData : L".");
}

std::tm LocalTime(std::time_t t) {
  std::tm local{};
  ::localtime_s(&local, &t);
  return local;
}

}  // namespace nr
