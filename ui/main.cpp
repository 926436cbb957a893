// The program's entry: the working folder, the window and its message loop.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "main_window_behaviour.h"
#include "main_window_layout.h"

namespace {

constexpr char WindowFailure[] = "无法创建主窗口。程序将退出。";

// The length of `path` up to and including its last separator. Steps over
// double-byte characters: their second byte may be 0x5C, the backslash.
std::size_t FolderLength(const std::string& path) {
  std::size_t folder = 0;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (IsDBCSLeadByte(static_cast<BYTE>(path[i])))
      ++i;
    else if (path[i] == '\\' || path[i] == '/')
      folder = i + 1;
  }
  return folder;
}

void SetCurrentDirectoryToProgramFolder() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return;
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  path.resize(FolderLength(path));
  if (!path.empty()) SetCurrentDirectoryA(path.c_str());
}

}  // namespace

// libstdc++'s default terminate handler prints the demangled name of the
// exception, which links the whole C++ demangler (about 45 KB) into the
// program. A window program has no console to print to: end plainly.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  SetCurrentDirectoryToProgramFolder();
  HWND window = CreateMainWindow(instance);
  if (!window) FailFatally(nullptr, WindowFailure);
  ShowMainWindow(window);
  MSG message{};
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (HandleMainWindowKey(window, message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}
