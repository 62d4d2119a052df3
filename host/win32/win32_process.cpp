// Win32 process services: the command line the entry installed, the instance handle, the current
// and starting directories, helper programs started with CreateProcess (no command processor), the
// message box, and the console that carries the help text.
#include <windows.h>

#include <cstdio>
#include <string>

#include "host/host.h"

namespace {
std::string g_command_line;
std::string g_start_directory;

// One argument quoted so that the C runtime of the started program splits it back unchanged:
// backslashes double only where a quote follows them.
void append_quoted(std::string* line, const char* arg) {
  std::string a = arg ? arg : "";
  if (!a.empty() && a.find_first_of(" \t\n\v\"") == std::string::npos) {
    *line += a;
    return;
  }
  *line += '"';
  size_t backslashes = 0;
  for (char c : a) {
    if (c == '\\') {
      backslashes++;
      continue;
    }
    if (c == '"') line->append(backslashes * 2 + 1, '\\');
    else line->append(backslashes, '\\');
    backslashes = 0;
    *line += c;
  }
  line->append(backslashes * 2, '\\');
  *line += '"';
}

// An inherited handle (a pipe or a file that the caller redirected output to) is written as it
// is; otherwise the help text gets a console of its own.
bool is_redirected(HANDLE h) {
  if (h == nullptr || h == INVALID_HANDLE_VALUE) return false;
  DWORD type = GetFileType(h);
  return type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE;
}
}  // namespace

// ---- Process -----------------------------------------------------------------------------------

const char* host_command_line() { return g_command_line.c_str(); }
void host_set_command_line(const char* line) { g_command_line = line ? line : ""; }
HostInstance host_instance() { return GetModuleHandleA(nullptr); }

int host_set_current_directory(const char* path) {
  return path && SetCurrentDirectoryA(path) != 0;
}

const char* host_start_directory() { return g_start_directory.c_str(); }
void host_set_start_directory(const char* dir) { g_start_directory = dir ? dir : ""; }

int host_run_program(const char* const argv[]) {
  if (!argv || !argv[0]) return -1;
  std::string line;
  for (int i = 0; argv[i]; i++) {
    if (i) line += ' ';
    append_quoted(&line, argv[i]);
  }
  // No application name: CreateProcess then looks the program up along PATH and adds ".exe".
  STARTUPINFOA startup;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process;
  ZeroMemory(&process, sizeof process);
  if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      nullptr, &startup, &process))
    return -1;
  CloseHandle(process.hThread);
  DWORD status = DWORD(-1);
  if (WaitForSingleObject(process.hProcess, INFINITE) != WAIT_OBJECT_0 ||
      !GetExitCodeProcess(process.hProcess, &status))
    status = DWORD(-1);
  CloseHandle(process.hProcess);
  return int(status);
}

// ---- Message box and console -------------------------------------------------------------------

int host_message_box(const char* caption, const char* text, unsigned style) {
  int button = MessageBoxA(nullptr, text ? text : "", caption ? caption : "", style);
  if (button == 0) {
    // No desktop to show it on: the text must not be lost.
    fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
    fflush(stderr);
    return IDOK;
  }
  return button;
}

void host_console_open() {
  if (is_redirected(GetStdHandle(STD_OUTPUT_HANDLE))) return;
  AllocConsole();  // fails only when the process has a console already
}

void host_console_write(const char* text, size_t length) {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (!text || out == nullptr || out == INVALID_HANDLE_VALUE) return;
  while (length > 0) {
    DWORD chunk = length > 0x10000 ? 0x10000 : DWORD(length);
    DWORD written = 0;
    // WriteConsoleA refuses handles that are not a console; a redirected handle takes WriteFile.
    if (!WriteConsoleA(out, text, chunk, &written, nullptr) &&
        !WriteFile(out, text, chunk, &written, nullptr))
      return;
    if (written == 0) return;
    text += written;
    length -= written;
  }
}

void host_console_close() {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (out != nullptr && out != INVALID_HANDLE_VALUE) {
    FlushFileBuffers(out);
    CloseHandle(out);
    SetStdHandle(STD_OUTPUT_HANDLE, nullptr);
  }
}

int host_console_getchar() {
  // The C runtime bound its standard input at start-up, before the console existed, so the
  // character is read from the handle itself.
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  if (in == nullptr || in == INVALID_HANDLE_VALUE) return EOF;
  char c = 0;
  DWORD read = 0;
  DWORD mode = 0;
  if (GetConsoleMode(in, &mode)) {
    if (!ReadConsoleA(in, &c, 1, &read, nullptr) || read == 0) return EOF;
  } else if (!ReadFile(in, &c, 1, &read, nullptr) || read == 0) {
    return EOF;
  }
  return static_cast<unsigned char>(c);
}
