// Drives LinkConverter.exe from outside, as a person would: starts it, finds
// its window and controls, reads and sets texts, clicks, presses keys.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

constexpr char MainWindowCaption[] = "青禾专用链地址转换工具 V1.0";

// The folder of the running test program, with a trailing backslash.
std::string ProgramFolder();

class RunningConverter {
 public:
  // Starts `program` from the test program's folder and waits until its
  // window is visible and active. Check `window()` for success. `fault`, when
  // given, is handed to the test build's failure switch (LINKCONV_FAULT, or
  // LINKCONV_ALLOCATION_LIMIT for a number).
  explicit RunningConverter(const char* program = "LinkConverter.exe", const char* fault = nullptr);
  ~RunningConverter();
  RunningConverter(const RunningConverter&) = delete;
  RunningConverter& operator=(const RunningConverter&) = delete;

  HWND window() const { return window_; }
  HWND control(int id) const { return GetDlgItem(window_, id); }
  DWORD threadId() const { return threadId_; }

  // The control that has the keyboard focus in the program's thread.
  HWND focus() const;
  // Waits for the process to end; returns its exit code, or STILL_ACTIVE on timeout.
  DWORD waitForExit(DWORD milliseconds) const;
  bool running() const { return waitForExit(0) == STILL_ACTIVE; }
  // The program's visible message box, waiting up to `milliseconds` for one.
  HWND messageBox(DWORD milliseconds) const;

 private:
  PROCESS_INFORMATION process_{};
  HWND window_ = nullptr;
  DWORD threadId_ = 0;
};

std::string TextOf(HWND control);
void SetText(HWND control, const std::string& text);
void Click(HWND button);

// Real key presses through SendInput; the program's window must be in front.
void PressKey(WORD key, bool shift = false);
void PressKeys(WORD key, int times);

// Polls `condition` every 10 ms until it holds or `milliseconds` pass.
template <typename Condition>
bool WaitFor(Condition condition, DWORD milliseconds) {
  const DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start > milliseconds) return false;
    Sleep(10);
  }
  return true;
}

// The bytes of the clipboard's CF_TEXT block (NUL included) and the block's
// size; `false` when the clipboard holds no CF_TEXT.
bool ReadClipboardText(std::string& bytes, SIZE_T& blockSize);
// Puts `text` on the clipboard as CF_TEXT.
void WriteClipboardText(const std::string& text);

// Runs linkconv.exe from the test program's folder with `arguments`, feeds it
// `input` on standard input and returns what it writes on standard output.
std::string RunLinkconv(const std::string& arguments, const std::string& input);

struct Screenshot {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, top row first

  COLORREF at(int x, int y) const;
  bool anyIn(RECT area, COLORREF colour) const;
};

// Copies `area` of the screen and keeps it as a BMP file at `bmpPath`.
Screenshot CaptureScreen(RECT area, const std::string& bmpPath);
