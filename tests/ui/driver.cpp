// Starting and driving LinkConverter.exe from another process.
#include "driver.h"

std::string ProgramFolder() {
  char path[MAX_PATH * 4] = {};
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string folder = path;
  return folder.substr(0, folder.find_last_of('\\') + 1);
}

namespace {

struct Search {
  DWORD processId;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM lParam) {
  auto* search = reinterpret_cast<Search*>(lParam);
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  char caption[64] = {};
  GetWindowTextA(window, caption, sizeof caption);
  if (processId == search->processId && IsWindowVisible(window) && std::string(caption) == MainWindowCaption) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

RunningConverter::RunningConverter() {
  std::string commandLine = "\"" + ProgramFolder() + "LinkConverter.exe\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process_))
    return;
  Search search{process_.dwProcessId, nullptr};
  WaitFor(
      [&] {
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr || !running();
      },
      10000);
  window_ = search.found;
  if (!window_) return;
  threadId_ = GetWindowThreadProcessId(window_, nullptr);
  // Shown and activated: the focus arrives with the activation.
  for (int attempt = 0; attempt < 5; ++attempt) {
    if (WaitFor([&] { return focus() != nullptr && GetForegroundWindow() == window_; }, 1000)) break;
    SetForegroundWindow(window_);
  }
  Sleep(100);  // key presses right after the activation can get lost under Wine
}

RunningConverter::~RunningConverter() {
  if (!process_.hProcess) return;
  if (running() && IsWindow(window_)) PostMessageA(window_, WM_CLOSE, 0, 0);
  if (waitForExit(5000) == STILL_ACTIVE) TerminateProcess(process_.hProcess, 1);
  CloseHandle(process_.hThread);
  CloseHandle(process_.hProcess);
}

HWND RunningConverter::focus() const {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(threadId_, &info) ? info.hwndFocus : nullptr;
}

DWORD RunningConverter::waitForExit(DWORD milliseconds) const {
  WaitForSingleObject(process_.hProcess, milliseconds);
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(process_.hProcess, &code);
  return code;
}

std::string TextOf(HWND control) {
  const LRESULT length = SendMessageA(control, WM_GETTEXTLENGTH, 0, 0);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const LRESULT copied = SendMessageA(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(copied));
  return text;
}

void SetText(HWND control, const std::string& text) {
  SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void Click(HWND button) { SendMessageA(button, BM_CLICK, 0, 0); }

namespace {

INPUT KeyInput(WORD key, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

}  // namespace

void PressKey(WORD key, bool shift) {
  std::vector<INPUT> inputs;
  if (shift) inputs.push_back(KeyInput(VK_SHIFT, false));
  inputs.push_back(KeyInput(key, false));
  inputs.push_back(KeyInput(key, true));
  if (shift) inputs.push_back(KeyInput(VK_SHIFT, true));
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  Sleep(60);
}

void PressKeys(WORD key, int times) {
  for (int i = 0; i < times; ++i) PressKey(key);
}

bool ReadClipboardText(std::string& bytes, SIZE_T& blockSize) {
  if (!WaitFor([] { return OpenClipboard(nullptr) != FALSE; }, 8000)) return false;
  bool found = false;
  if (HANDLE block = GetClipboardData(CF_TEXT)) {
    blockSize = GlobalSize(block);
    const char* data = static_cast<const char*>(GlobalLock(block));
    bytes.assign(data, blockSize);
    GlobalUnlock(block);
    found = true;
  }
  CloseClipboard();
  return found;
}

void WriteClipboardText(const std::string& text) {
  if (!WaitFor([] { return OpenClipboard(nullptr) != FALSE; }, 8000)) return;
  EmptyClipboard();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
  memcpy(GlobalLock(block), text.c_str(), text.size() + 1);
  GlobalUnlock(block);
  SetClipboardData(CF_TEXT, block);
  CloseClipboard();
}
