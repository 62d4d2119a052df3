// Win32 places of the user's files: whether the running program is the one the installer put in
// place (its Uninstall entry names the program's folder), or sits in a folder the user cannot
// write, and the user's state folder %LOCALAPPDATA%\Vantorel where such a program keeps its log.
#include <windows.h>
#include <shlobj.h>

#include <string>

#include "host/host.h"

namespace {

// The key the installer writes, per user (HKCU) or per machine (HKLM).
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vantorel";

std::string without_trailing_separator(std::string path) {
  while (path.size() > 3 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  return path;
}

std::string program_folder() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    DWORD length = GetModuleFileNameA(nullptr, &path[0], DWORD(path.size()));
    if (length == 0) return "";
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  size_t cut = path.find_last_of("\\/");
  return cut == std::string::npos ? "" : without_trailing_separator(path.substr(0, cut + 1));
}

std::string install_location(HKEY root) {
  HKEY key;
  if (RegOpenKeyExA(root, kUninstallKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return "";
  char value[MAX_PATH * 2] = "";
  DWORD type = 0, size = sizeof value - 1;
  LONG status = RegQueryValueExA(key, "InstallLocation", nullptr, &type,
                                 reinterpret_cast<BYTE*>(value), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return "";
  value[size < sizeof value ? size : sizeof value - 1] = 0;
  return without_trailing_separator(value);
}

// Whether a new file can be made in dir: one is made under a name no other file has and goes
// again when its handle closes.
bool folder_is_writable(const std::string& dir) {
  char name[MAX_PATH + 16];
  for (unsigned attempt = 0; attempt < 8; attempt++) {
    wsprintfA(name, "%s\\~vt%08lx.tmp", dir.c_str(),
              static_cast<unsigned long>(GetTickCount() ^ (GetCurrentProcessId() << 8) ^ attempt));
    HANDLE h = CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      CloseHandle(h);
      return true;
    }
    if (GetLastError() != ERROR_FILE_EXISTS) return false;
  }
  return false;
}

}  // namespace

int host_program_is_installed() {
  std::string folder = program_folder();
  if (folder.empty() || folder.size() >= MAX_PATH) return 0;
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    std::string location = install_location(root);
    if (!location.empty() && lstrcmpiA(location.c_str(), folder.c_str()) == 0) return 1;
  }
  return !folder_is_writable(folder);
}

const char* host_user_state_directory() {
  static std::string dir;
  static bool looked = false;
  if (looked) return dir.c_str();
  looked = true;
  char base[MAX_PATH] = "";
  if (FAILED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr,
                              SHGFP_TYPE_CURRENT, base)) || !base[0])
    return dir.c_str();
  std::string made = without_trailing_separator(base) + "\\Vantorel";
  if (CreateDirectoryA(made.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) {
    DWORD attributes = GetFileAttributesA(made.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) dir = made;
  }
  return dir.c_str();
}
