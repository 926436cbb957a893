// The handlers of MainWindow. Every text a handler reads from a box or gets
// from ConvertLink is its own copy, made by AllocateHandlerText; running out
// of memory there is one of the program's fatal failures.
#include "main_window_behaviour.h"

#include <cmath>
#include <ctime>
#include <new>
#include <string>
#include <string_view>

#include "control_ids.h"
#include "fault_injection.h"
#include "link_conversion.h"

namespace {

constexpr char ExitPageAddress[] = LINKCONV_EXIT_PAGE_ADDRESS;
constexpr double ExitPageDivisor = 3.0;
constexpr double ExitPageTolerance = 0.0000001;

constexpr char FatalCaption[] = "青禾专用链地址转换工具 V1.0";
constexpr char BoxTextFailure[] = "内存不足：无法读取编辑框中的文本。程序将退出。";
constexpr char ResultCopyFailure[] = "内存不足：无法复制转换结果。程序将退出。";

// A text of `length` bytes plus its NUL for a handler. Failure is fatal.
std::string AllocateHandlerText(HWND window, std::size_t length, const char* failure, Fault fault) {
  try {
    if (IsFaultInjected(fault)) throw std::bad_alloc();
    return std::string(length, '\0');
  } catch (...) {
    FailFatally(window, failure);
  }
}

std::string ReadBoxText(HWND box) {
  const int length = GetWindowTextLengthA(box);
  if (length <= 0) return {};
  std::string text =
      AllocateHandlerText(GetParent(box), static_cast<std::size_t>(length), BoxTextFailure, Fault::BoxText);
  const int copied = GetWindowTextA(box, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
  return text;
}

// The handler's own copy of a result that ConvertLink handed over.
std::string TakeConversionResult(HWND window, std::string_view result) {
  if (result.empty()) return {};
  std::string text = AllocateHandlerText(window, result.size(), ResultCopyFailure, Fault::ResultCopy);
  text.assign(result);
  return text;
}

// Allocates the block before the clipboard is touched, so that a failure
// leaves the clipboard as it was.
bool SetClipboardText(std::string_view text) {
  HGLOBAL block =
      IsFaultInjected(Fault::ClipboardBlock) ? nullptr : GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, text.size() + 1);
  if (!block) return false;
  if (!OpenClipboard(nullptr)) {
    GlobalFree(block);
    return false;
  }
  char* bytes = static_cast<char*>(GlobalLock(block));
  text.copy(bytes, text.size());
  bytes[text.size()] = '\0';
  GlobalUnlock(block);
  EmptyClipboard();
  // The clipboard owns the block only once SetClipboardData succeeds.
  if (!SetClipboardData(CF_TEXT, block)) GlobalFree(block);
  CloseClipboard();
  return true;
}

void ShellOpen(const char* address) { ShellExecuteA(nullptr, "open", address, nullptr, "", SW_SHOWNORMAL); }

int CurrentLocalSeconds() {
  const std::time_t now = std::time(nullptr);
  const std::tm* local = std::localtime(&now);
  return local ? local->tm_sec : 0;
}

}  // namespace

void HandleWindowCreated(HWND window) { HandleConvert(window); }

void HandleConvert(HWND window) {
  const std::string address = ReadBoxText(GetDlgItem(window, 编辑框_待转换地址));
  for (int type = 0; type < 4; ++type) {
    const std::string result = TakeConversionResult(window, ConvertLink(address, static_cast<LinkType>(type)));
    SetWindowTextA(GetDlgItem(window, ResultBoxIds[type]), result.c_str());
  }
}

void HandleCopy(HWND box) { SetClipboardText(ReadBoxText(box)); }

void HandleWindowDestroying() {
  const double remainder = std::fmod(static_cast<double>(CurrentLocalSeconds()), ExitPageDivisor);
  if (std::fabs(remainder) <= ExitPageTolerance) ShellOpen(ExitPageAddress);
}

void FailFatally(HWND owner, const char* what) {
  // No handler may run while the message box waits.
  if (owner) EnableWindow(owner, FALSE);
  MessageBoxA(owner, what, FatalCaption, MB_OK | MB_ICONERROR);
  ExitProcess(static_cast<UINT>(-1));
}
