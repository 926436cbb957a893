// Starting and driving LinkConverter.exe from another process.
#include "driver.h"

#include <cstdio>

std::string ProgramFolder() {
  char path[MAX_PATH * 4] = {};
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string folder = path;
  return folder.substr(0, folder.find_last_of('\\') + 1);
}

namespace {

constexpr char MessageBoxClass[] = "#32770";

struct Search {
  DWORD processId;
  bool messageBox;  // a message box, or else the main window (which has the same caption)
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM lParam) {
  auto* search = reinterpret_cast<Search*>(lParam);
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  if (processId != search->processId || !IsWindowVisible(window)) return TRUE;
  char caption[64] = {}, className[16] = {};
  GetWindowTextA(window, caption, sizeof caption);
  GetClassNameA(window, className, sizeof className);
  const bool isMessageBox = std::string(className) == MessageBoxClass;
  if (std::string(caption) != MainWindowCaption || isMessageBox != search->messageBox) return TRUE;
  search->found = window;
  return FALSE;
}

HWND FindWindowOf(DWORD processId, bool messageBox) {
  Search search{processId, messageBox, nullptr};
  EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace

RunningConverter::RunningConverter(const char* program, const char* fault) {
  std::string commandLine = "\"" + ProgramFolder() + program + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  const bool limit = fault && fault[0] >= '0' && fault[0] <= '9';
  const char* variable = limit ? "LINKCONV_ALLOCATION_LIMIT" : "LINKCONV_FAULT";
  if (fault) SetEnvironmentVariableA(variable, fault);
  const BOOL started =
      CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process_);
  if (fault) SetEnvironmentVariableA(variable, nullptr);
  if (!started) return;
  WaitFor(
      [&] {
        window_ = FindWindowOf(process_.dwProcessId, false);
        return window_ != nullptr || !running() || messageBox(0) != nullptr;
      },
      10000);
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

HWND RunningConverter::messageBox(DWORD milliseconds) const {
  HWND box = nullptr;
  WaitFor([&] { return (box = FindWindowOf(process_.dwProcessId, true)) != nullptr; }, milliseconds);
  return box;
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

std::string RunLinkconv(const std::string& arguments, const std::string& input) {
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  HANDLE inputRead = nullptr, inputWrite = nullptr, outputRead = nullptr, outputWrite = nullptr;
  CreatePipe(&inputRead, &inputWrite, &inheritable, 0);
  CreatePipe(&outputRead, &outputWrite, &inheritable, 0);
  SetHandleInformation(inputWrite, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(outputRead, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = inputRead;
  startup.hStdOutput = outputWrite;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  std::string commandLine = "\"" + ProgramFolder() + "linkconv.exe\" " + arguments;
  PROCESS_INFORMATION process{};
  const BOOL started = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                      nullptr, &startup, &process);
  CloseHandle(inputRead);
  CloseHandle(outputWrite);
  std::string output;
  if (started) {
    DWORD written = 0;  // small inputs: the pipe takes them whole
    WriteFile(inputWrite, input.data(), static_cast<DWORD>(input.size()), &written, nullptr);
    CloseHandle(inputWrite);
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(outputRead, buffer, sizeof buffer, &read, nullptr) && read > 0) output.append(buffer, read);
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  } else {
    CloseHandle(inputWrite);
  }
  CloseHandle(outputRead);
  return output;
}

COLORREF Screenshot::at(int x, int y) const {
  const std::uint32_t p = pixels[static_cast<std::size_t>(y * width + x)];
  return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

bool Screenshot::anyIn(RECT area, COLORREF colour) const {
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x)
      if (at(x, y) == colour) return true;
  return false;
}

namespace {

void SaveBmp(const std::string& path, const BITMAPINFOHEADER& header, const void* bits, DWORD imageSize) {
  BITMAPFILEHEADER file{0x4D42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof header + imageSize), 0, 0,
                        sizeof(BITMAPFILEHEADER) + sizeof header};
  if (FILE* out = std::fopen(path.c_str(), "wb")) {
    std::fwrite(&file, sizeof file, 1, out);
    std::fwrite(&header, sizeof header, 1, out);
    std::fwrite(bits, imageSize, 1, out);
    std::fclose(out);
  }
}

}  // namespace

Screenshot CaptureScreen(RECT area, const std::string& bmpPath) {
  Screenshot shot;
  shot.width = area.right - area.left;
  shot.height = area.bottom - area.top;
  shot.pixels.resize(static_cast<std::size_t>(shot.width * shot.height));

  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), shot.width, -shot.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, shot.width, shot.height, screen, area.left, area.top, SRCCOPY);
  GdiFlush();
  // BitBlt leaves the fourth byte 0; viewers would take it as full transparency.
  auto* opaque = static_cast<std::uint32_t*>(bits);
  for (std::size_t i = 0; i < shot.pixels.size(); ++i) opaque[i] |= 0xFF000000u;
  memcpy(shot.pixels.data(), bits, shot.pixels.size() * 4);
  SaveBmp(bmpPath, info.bmiHeader, bits, static_cast<DWORD>(shot.pixels.size() * 4));
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return shot;
}
