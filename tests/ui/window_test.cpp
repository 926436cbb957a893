// LinkConverter.exe on a real window, driven from this process: layout,
// stacking and keyboard order, conversion, clipboard, close and exit page,
// and the colours of a screenshot.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "../hex.h"
#include "control_ids.h"
#include "driver.h"
#include "link_conversion.h"

namespace {

constexpr COLORREF BackgroundBlue = RGB(0, 136, 255);
constexpr COLORREF CaptionYellow = RGB(255, 255, 0);
constexpr COLORREF White = RGB(255, 255, 255);

class Window : public testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(app.window(), nullptr) << "LinkConverter.exe did not show its window"; }

  std::array<std::string, 4> Results() const {
    std::array<std::string, 4> results;
    for (int type = 0; type < 4; ++type)
      results[static_cast<std::size_t>(type)] = TextOf(app.control(ResultBoxIds[type]));
    return results;
  }

  RECT ClientRectOf(int id) const {
    RECT rect{};
    GetWindowRect(app.control(id), &rect);
    MapWindowPoints(nullptr, app.window(), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
  }

  void Convert(const std::string& input) {
    SetText(app.control(编辑框_待转换地址), input);
    Click(app.control(按钮_转换));
  }

  RunningConverter app;
};

// --- Layout ----------------------------------------------------------------

TEST_F(Window, IsCentredFixedAndCaptioned) {
  RECT rect{};
  GetWindowRect(app.window(), &rect);
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
  EXPECT_EQ(rect.left, (screenWidth - 390) / 2);
  EXPECT_EQ(rect.top, (screenHeight - 327) / 2);
  if (screenWidth == 1024 && screenHeight == 768) {
    EXPECT_EQ(rect.left, 317);
    EXPECT_EQ(rect.top, 220);
  }
  EXPECT_EQ(rect.right - rect.left, 390);
  EXPECT_EQ(rect.bottom - rect.top, 327);

  char caption[64] = {};
  GetWindowTextA(app.window(), caption, sizeof caption);
  EXPECT_STREQ(caption, MainWindowCaption);

  const LONG style = GetWindowLongA(app.window(), GWL_STYLE);
  const LONG wanted = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  EXPECT_EQ(style & wanted, wanted);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_CHILD | WS_POPUP), 0);
  // The system adds WS_EX_WINDOWEDGE to every captioned window; nothing else is asked for.
  EXPECT_EQ(GetWindowLongA(app.window(), GWL_EXSTYLE) & ~WS_EX_WINDOWEDGE, 0);
  EXPECT_EQ(GetWindow(app.window(), GW_OWNER), nullptr);
}

TEST(ProgramFile, CarriesA32BitIconOf32By32) {
  HICON icon = nullptr;
  ASSERT_EQ(ExtractIconExA((ProgramFolder() + "LinkConverter.exe").c_str(), 0, &icon, nullptr, 1), 1u);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(icon, &info));
  BITMAP colour{};
  GetObjectA(info.hbmColor, sizeof colour, &colour);
  EXPECT_EQ(colour.bmWidth, 32);
  EXPECT_EQ(colour.bmHeight, 32);
  EXPECT_EQ(colour.bmBitsPixel, 32);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  DestroyIcon(icon);
}

TEST(ProgramFile, HasVersionOneZeroZeroZero) {
  const std::string path = ProgramFolder() + "LinkConverter.exe";
  DWORD handle = 0;
  std::string record(GetFileVersionInfoSizeA(path.c_str(), &handle), '\0');
  ASSERT_FALSE(record.empty());
  ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(record.size()), record.data()));
  VS_FIXEDFILEINFO* info = nullptr;
  UINT size = 0;
  ASSERT_TRUE(VerQueryValueA(record.data(), "\\", reinterpret_cast<void**>(&info), &size));
  EXPECT_EQ(info->dwFileVersionMS, MAKELONG(0, 1));
  EXPECT_EQ(info->dwFileVersionLS, 0u);
  EXPECT_EQ(info->dwProductVersionMS, MAKELONG(0, 1));
  EXPECT_EQ(info->dwProductVersionLS, 0u);
}

TEST_F(Window, CannotBeMaximisedOrResized) {
  RECT rect{};
  GetWindowRect(app.window(), &rect);
  // The frame's edges and corners are no sizing handles.
  EXPECT_EQ(SendMessageA(app.window(), WM_NCHITTEST, 0, MAKELPARAM(rect.right - 1, rect.bottom - 1)), HTBORDER);
  EXPECT_EQ(SendMessageA(app.window(), WM_NCHITTEST, 0, MAKELPARAM(rect.left, (rect.top + rect.bottom) / 2)), HTBORDER);
  // A double click on the title bar does not maximise.
  SendMessageA(app.window(), WM_NCLBUTTONDBLCLK, HTCAPTION, MAKELPARAM(rect.left + 100, rect.top + 5));
  EXPECT_FALSE(IsZoomed(app.window()));
  GetWindowRect(app.window(), &rect);
  EXPECT_EQ(rect.right - rect.left, 390);
  EXPECT_EQ(rect.bottom - rect.top, 327);
}

struct ControlCase {
  int id;
  const char* name;
  const char* className;
  LONG style;
  LONG exStyle;
  RECT rect;  // in the client area
  const char* text;
};

constexpr LONG Child = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
constexpr LONG Edit = Child | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL;
constexpr LONG Button = Child | WS_TABSTOP | BS_PUSHBUTTON | BS_CENTER | BS_VCENTER | BS_MULTILINE;
constexpr LONG Group = Child | BS_GROUPBOX | BS_LEFT;

const ControlCase ControlCases[] = {
    {分组框1, "分组框1", "Button", Group, 0, {8, 8, 376, 64}, "待转换地址"},
    {编辑框_待转换地址, "编辑框_待转换地址", "Edit", Edit, WS_EX_CLIENTEDGE, {16, 31, 296, 51}, ""},
    {按钮_转换, "按钮_转换", "Button", Button, 0, {304, 31, 364, 51}, "转换"},
    {分组框2, "分组框2", "Button", Group, 0, {8, 71, 376, 288}, "转换结果"},
    {标签1,
     "标签1",
     "Static",
     Child | SS_OWNERDRAW,
     0,
     {16, 95, 88, 255},
     "原始地址:\r\n\r\n\r\n\r\n迅雷地址:\r\n\r\n\r\n\r\n快车地址:\r\n\r\n\r\n\r\n旋风地址:"},
    {编辑框_原始地址, "编辑框_原始地址", "Edit", Edit, WS_EX_CLIENTEDGE, {16, 112, 296, 132}, ""},
    {编辑框_迅雷地址, "编辑框_迅雷地址", "Edit", Edit, WS_EX_CLIENTEDGE, {16, 160, 296, 180}, ""},
    {编辑框_快车地址, "编辑框_快车地址", "Edit", Edit, WS_EX_CLIENTEDGE, {16, 208, 296, 228}, ""},
    {编辑框_旋风地址, "编辑框_旋风地址", "Edit", Edit, WS_EX_CLIENTEDGE, {16, 256, 296, 276}, ""},
    {按钮_原始地址, "按钮_原始地址", "Button", Button, 0, {304, 112, 364, 132}, "复制"},
    {按钮_迅雷地址, "按钮_迅雷地址", "Button", Button, 0, {304, 160, 364, 180}, "复制"},
    {按钮_快车地址, "按钮_快车地址", "Button", Button, 0, {304, 208, 364, 228}, "复制"},
    {按钮_旋风地址, "按钮_旋风地址", "Button", Button, 0, {304, 256, 364, 276}, "复制"},
};

TEST_F(Window, HasItsThirteenControlsInPlace) {
  int children = 0;
  for (HWND child = GetWindow(app.window(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) ++children;
  EXPECT_EQ(children, 13);
  for (const auto& c : ControlCases) {
    SCOPED_TRACE(c.name);
    HWND control = app.control(c.id);
    ASSERT_NE(control, nullptr);
    char className[32] = {};
    GetClassNameA(control, className, sizeof className);
    EXPECT_STRCASEEQ(className, c.className);
    EXPECT_EQ(GetWindowLongA(control, GWL_STYLE), c.style);
    EXPECT_EQ(GetWindowLongA(control, GWL_EXSTYLE), c.exStyle);
    const RECT rect = ClientRectOf(c.id);
    EXPECT_EQ(rect.left, c.rect.left);
    EXPECT_EQ(rect.top, c.rect.top);
    EXPECT_EQ(rect.right, c.rect.right);
    EXPECT_EQ(rect.bottom, c.rect.bottom);
    EXPECT_EQ(TextOf(control), c.text);
    EXPECT_TRUE(IsWindowEnabled(control));
  }
}

// The text line sits in the middle of the space inside the sunken edge.
TEST_F(Window, EditBoxesCentreOneLineOfText) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  SIZE line{};
  GetTextExtentPoint32A(dc, "W", 1, &line);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);

  const int edge = GetSystemMetrics(SM_CYEDGE);
  for (int id : {编辑框_待转换地址, 编辑框_原始地址, 编辑框_迅雷地址, 编辑框_快车地址, 编辑框_旋风地址}) {
    SCOPED_TRACE(id);
    HWND box = app.control(id);
    RECT window{}, client{};
    GetWindowRect(box, &window);
    GetClientRect(box, &client);
    MapWindowPoints(box, nullptr, reinterpret_cast<POINT*>(&client), 2);
    const int inside = (window.bottom - window.top) - 2 * edge;
    EXPECT_EQ(client.bottom - client.top, line.cy);
    EXPECT_EQ(client.top - window.top, edge + (inside - line.cy) / 2);
    EXPECT_GE(SendMessageA(box, EM_GETLIMITTEXT, 0, 0), 0x7FFFFFFE);
    // A click on the strip above the text, where there is one, is a click on the border.
    if (client.top > window.top + edge) {
      EXPECT_EQ(SendMessageA(box, WM_NCHITTEST, 0, MAKELPARAM(window.left + 20, client.top - 1)), HTBORDER);
    }
    EXPECT_EQ(SendMessageA(box, WM_NCHITTEST, 0, MAKELPARAM(window.left + 20, client.top)), HTCLIENT);
  }
}

TEST_F(Window, StacksControlsAboveTheirGroupBoxes) {
  const std::vector<int> topmostFirst = {按钮_旋风地址,   按钮_快车地址,   按钮_迅雷地址,     按钮_原始地址,
                                         编辑框_旋风地址, 编辑框_快车地址, 编辑框_迅雷地址,   编辑框_原始地址,
                                         标签1,           按钮_转换,       编辑框_待转换地址, 分组框2,
                                         分组框1};
  std::vector<int> stacked;
  for (HWND child = GetWindow(app.window(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    stacked.push_back(GetDlgCtrlID(child));
  EXPECT_EQ(stacked, topmostFirst);
}

// --- Keyboard ----------------------------------------------------------------

const int KeyboardOrder[] = {编辑框_待转换地址, 按钮_转换,     编辑框_原始地址, 编辑框_迅雷地址, 编辑框_快车地址,
                             编辑框_旋风地址,   按钮_原始地址, 按钮_迅雷地址,   按钮_快车地址,   按钮_旋风地址};

TEST_F(Window, TabWalksTheKeyboardOrderAndComesBack) {
  ASSERT_EQ(app.focus(), app.control(编辑框_待转换地址)) << "the input box has the focus at start";
  for (int step = 1; step <= 10; ++step) {
    PressKey(VK_TAB);
    EXPECT_TRUE(WaitFor([&] { return GetDlgCtrlID(app.focus()) == KeyboardOrder[step % 10]; }, 1000))
        << "after " << step << " Tabs the focus is on " << GetDlgCtrlID(app.focus());
  }
  PressKey(VK_TAB, true);
  EXPECT_EQ(GetDlgCtrlID(app.focus()), 按钮_旋风地址) << "Shift+Tab from the first control wraps to the last";
  PressKey(VK_TAB, true);
  EXPECT_EQ(GetDlgCtrlID(app.focus()), 按钮_快车地址);
  EXPECT_EQ(TextOf(app.control(编辑框_待转换地址)), "") << "no Tab character reached a box";
}

TEST_F(Window, EnterChangesNothing) {
  SetText(app.control(编辑框_待转换地址), "abc");
  PressKey(VK_RETURN);
  EXPECT_EQ(app.focus(), app.control(编辑框_待转换地址));
  EXPECT_EQ(TextOf(app.control(编辑框_待转换地址)), "abc");
  EXPECT_EQ(Results(), (std::array<std::string, 4>{}));
  PressKey(VK_TAB);
  PressKey(VK_RETURN);  // on the convert button
  EXPECT_EQ(Results(), (std::array<std::string, 4>{}));
  EXPECT_EQ(GetDlgCtrlID(app.focus()), 按钮_转换);
}

TEST_F(Window, SpacePressesTheFocusedButton) {
  SetText(app.control(编辑框_待转换地址), "abc");
  PressKey(VK_TAB);
  PressKey(VK_SPACE);
  EXPECT_TRUE(WaitFor([&] { return TextOf(app.control(编辑框_旋风地址)) == "qqdl://YWJj"; }, 2000));
}

TEST_F(Window, ShiftEscDoesNotClose) {
  PressKey(VK_ESCAPE, true);
  Sleep(200);
  EXPECT_TRUE(app.running());
  EXPECT_TRUE(IsWindow(app.window()));
}

// Esc closes from any control: reach the control with Tabs, then press Esc.
class EscapeFrom : public testing::TestWithParam<int> {};

TEST_P(EscapeFrom, ClosesTheWindowWithExitCodeZero) {
  RunningConverter app;
  ASSERT_NE(app.window(), nullptr);
  PressKeys(VK_TAB, GetParam());
  EXPECT_EQ(GetDlgCtrlID(app.focus()), KeyboardOrder[GetParam()]);
  PressKey(VK_ESCAPE);
  EXPECT_EQ(app.waitForExit(5000), 0u);
}

INSTANTIATE_TEST_SUITE_P(Controls, EscapeFrom, testing::Values(0, 1, 2, 5, 9));

TEST_F(Window, FocusComesBackAfterAnotherWindowWasActive) {
  PressKeys(VK_TAB, 3);
  ASSERT_EQ(GetDlgCtrlID(app.focus()), 编辑框_迅雷地址);
  {
    RunningConverter other;  // a new window takes the activation
    ASSERT_NE(other.window(), nullptr);
    ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == other.window(); }, 2000));
  }
  SetForegroundWindow(app.window());
  EXPECT_TRUE(WaitFor([&] { return app.focus() == app.control(编辑框_迅雷地址); }, 2000));

  ShowWindow(app.window(), SW_MINIMIZE);
  ShowWindow(app.window(), SW_RESTORE);
  SetForegroundWindow(app.window());
  EXPECT_TRUE(WaitFor([&] { return app.focus() == app.control(编辑框_迅雷地址); }, 2000));
}

// --- Conversion ----------------------------------------------------------------

struct ConversionCase {
  const char* what;
  std::string input;
  std::array<std::string, 4> results;
};

const std::array<std::string, 4> ServerFile = {
    "http://server/file.zip", "thunder://QUFodHRwOi8vc2VydmVyL2ZpbGUuemlwWlo=",
    "Flashget://W0ZMQVNIR0VUXWh0dHA6Ly9zZXJ2ZXIvZmlsZS56aXBbRkxBU0hHRVRd&1926",
    "qqdl://aHR0cDovL3NlcnZlci9maWxlLnppcA=="};

const ConversionCase ConversionCases[] = {
    {"original address", ServerFile[0], ServerFile},
    {"thunder link", ServerFile[1], ServerFile},
    {"flashget link", ServerFile[2], ServerFile},
    {"qqdl link", ServerFile[3], ServerFile},
    {"capital scheme", "THUNDER://QUFodHRwOi8vc2VydmVyL2ZpbGUuemlwWlo=", ServerFile},
    {"no scheme",
     "abc",
     {"abc", "thunder://QUFhYmNaWg==", "Flashget://W0ZMQVNIR0VUXWFiY1tGTEFTSEdFVF0=&1926", "qqdl://YWJj"}},
    {"thunder scheme alone", "thunder://", {"", "", "Flashget://W0ZMQVNIR0VUXVtGTEFTSEdFVF0=&1926", ""}},
    {"GBK address",
     "http://下载/文件.zip",
     {"http://下载/文件.zip", "thunder://QUFodHRwOi8vz8LU2C/OxLz+LnppcFpa",
      "Flashget://W0ZMQVNIR0VUXWh0dHA6Ly/PwtTYL87EvP4uemlwW0ZMQVNIR0VUXQ==&1926",
      "qqdl://aHR0cDovL8/C1NgvzsS8/i56aXA="}},
};

TEST_F(Window, StartsWithEmptyBoxes) {
  EXPECT_EQ(TextOf(app.control(编辑框_待转换地址)), "");
  EXPECT_EQ(Results(), (std::array<std::string, 4>{}));
}

TEST_F(Window, ConvertFillsTheFourForms) {
  for (const auto& c : ConversionCases) {
    SCOPED_TRACE(c.what);
    Convert(c.input);
    const auto results = Results();
    const std::string linkconv = RunLinkconv("--raw -0 -t all", c.input + '\0');
    const char* labels[] = {"original: ", "thunder:  ", "flashget: ", "qqdl:     "};
    std::string fromLinkconv;
    for (std::size_t type = 0; type < 4; ++type) {
      EXPECT_EQ(Hex(results[type]), Hex(c.results[type])) << "type " << type;
      fromLinkconv += labels[type] + results[type] + '\0';
    }
    EXPECT_EQ(Hex(linkconv), Hex(fromLinkconv)) << "linkconv --raw gives what the window shows";
  }
}

TEST_F(Window, ConvertsLongAndChineseTextLikeTheLibrary) {
  std::string input = "thunder://";
  input += ConvertLink("ftp://例子.中国/" + std::string(3000, 'x') + "/文件名.rar", LinkType::Thunder).substr(10);
  Convert(input);
  const auto results = Results();
  for (std::size_t type = 0; type < 4; ++type) {
    const std::string expected = ConvertLink(input, static_cast<LinkType>(type));
    EXPECT_EQ(results[type].size(), expected.size()) << "type " << type;
    EXPECT_TRUE(results[type] == expected)
        << "type " << type << ", first difference at "
        << std::mismatch(expected.begin(), expected.end(), results[type].begin(), results[type].end()).first -
               expected.begin();
  }
}

TEST_F(Window, TypingConvertsNothingAndEmptyInputEmptiesEveryBox) {
  Convert("abc");
  SetText(app.control(编辑框_待转换地址), "http://server/file.zip");
  EXPECT_EQ(TextOf(app.control(编辑框_原始地址)), "abc") << "only the button converts";
  Convert("");
  EXPECT_EQ(Results(), (std::array<std::string, 4>{}));
}

// --- Copy ------------------------------------------------------------------------

TEST_F(Window, CopyPutsTheBoxTextAndOneNulOnTheClipboard) {
  Convert("abc");
  const std::string edited[] = {"edited by hand", "", "中文 text", std::string(5000, 'q')};
  for (int type = 0; type < 4; ++type) {
    SCOPED_TRACE(type);
    const std::string& text = edited[type];
    SetText(app.control(ResultBoxIds[type]), text);
    WriteClipboardText("before");
    Click(app.control(CopyButtonIds[type]));
    std::string bytes;
    SIZE_T blockSize = 0;
    ASSERT_TRUE(ReadClipboardText(bytes, blockSize));
    EXPECT_EQ(blockSize, text.size() + 1);
    EXPECT_EQ(Hex(bytes.substr(0, 40)), Hex((text + '\0').substr(0, 40)));
    EXPECT_EQ(bytes, text + '\0');
  }
}

// Holds the clipboard open with a window of its own, as another program would.
class ClipboardHolder {
 public:
  explicit ClipboardHolder(const std::string& content) {
    owner_ = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    WriteClipboardText(content);
    open_ = OpenClipboard(owner_) != FALSE;
  }
  ~ClipboardHolder() {
    if (open_) CloseClipboard();
    DestroyWindow(owner_);
  }
  bool open() const { return open_; }

 private:
  HWND owner_ = nullptr;
  bool open_ = false;
};

TEST_F(Window, CopyLeavesABusyClipboardAloneAndShowsNothing) {
  Convert("abc");
  {
    ClipboardHolder holder("held by another program");
    ASSERT_TRUE(holder.open());
    PostMessageA(app.control(按钮_迅雷地址), BM_CLICK, 0, 0);
    Sleep(7000);  // Wine gives up on a held clipboard after about 5 s
    EXPECT_TRUE(app.running());
  }
  std::string bytes;
  SIZE_T blockSize = 0;
  ASSERT_TRUE(ReadClipboardText(bytes, blockSize));
  EXPECT_STREQ(bytes.c_str(), "held by another program");
  int visible = 0;
  EnumThreadWindows(
      app.threadId(),
      [](HWND window, LPARAM count) {
        if (IsWindowVisible(window)) ++*reinterpret_cast<int*>(count);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&visible));
  EXPECT_EQ(visible, 1) << "no message box";
}

// --- Close and the exit page ---------------------------------------------------

std::string RecorderLog() { return ProgramFolder() + "opened.log"; }

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

// Shell "open" on http and https runs our recorder, which logs the address.
void RegisterRecorder() {
  const std::string command = "\"" + ProgramFolder() + "url_recorder.exe\" \"%1\"";
  for (const char* key : {"https\\shell\\open\\command", "http\\shell\\open\\command"}) {
    HKEY handle = nullptr;
    RegCreateKeyExA(HKEY_CLASSES_ROOT, key, 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr);
    RegSetValueExA(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                   static_cast<DWORD>(command.size() + 1));
    RegCloseKey(handle);
  }
}

int CurrentSecond() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return now.wSecond;
}

// Waits for the start of a second whose remainder by 3 is `remainder`.
void WaitForSecondWithRemainder(int remainder) {
  WaitFor(
      [&] {
        SYSTEMTIME now{};
        GetLocalTime(&now);
        return now.wSecond % 3 == remainder && now.wMilliseconds < 300;
      },
      4000);
}

class ExitPage : public testing::TestWithParam<int> {};

TEST_P(ExitPage, OpensExactlyOnSecondsThatAreMultiplesOfThree) {
  RegisterRecorder();
  const int remainder = GetParam();
  for (int attempt = 0; attempt < 3; ++attempt) {
    RunningConverter app;
    ASSERT_NE(app.window(), nullptr);
    DeleteFileA(RecorderLog().c_str());
    WaitForSecondWithRemainder(remainder);
    const int second = CurrentSecond();
    SendMessageA(app.window(), WM_CLOSE, 0, 0);
    if (CurrentSecond() != second) continue;  // the second turned over while closing: try again
    EXPECT_EQ(app.waitForExit(5000), 0u);
    const std::string expected = std::string(LINKCONV_EXIT_PAGE_ADDRESS) + "\n";
    if (remainder == 0) {
      EXPECT_TRUE(WaitFor([&] { return ReadFile(RecorderLog()) == expected; }, 3000))
          << "second " << second << ", log: " << ReadFile(RecorderLog());
    } else {
      Sleep(1000);
      EXPECT_EQ(ReadFile(RecorderLog()), "") << "second " << second;
    }
    return;
  }
  FAIL() << "could not close within one second three times";
}

INSTANTIATE_TEST_SUITE_P(Remainders, ExitPage, testing::Values(0, 1, 2));

// --- Screenshot ----------------------------------------------------------------

TEST_F(Window, LooksBlueWithWhiteBoxesAndYellowCaptions) {
  Sleep(300);  // let the first paint finish
  RECT client{};
  GetClientRect(app.window(), &client);
  MapWindowPoints(app.window(), nullptr, reinterpret_cast<POINT*>(&client), 2);
  const Screenshot shot = CaptureScreen(client, ProgramFolder() + "window.bmp");
  ASSERT_GE(shot.width, 380);
  ASSERT_GE(shot.height, 290);
  struct Point {
    const char* what;
    int x, y;
    COLORREF colour;
  };
  const Point points[] = {
      {"client area", 2, 2, BackgroundBlue},
      {"right margin", 380, 150, BackgroundBlue},
      {"inside 分组框1", 200, 58, BackgroundBlue},
      {"inside 分组框2", 200, 282, BackgroundBlue},
      {"between rows", 200, 145, BackgroundBlue},
      {"input box", 150, 41, White},
      {"input box, strip above the text", 150, 33, White},
      {"原始地址 box", 150, 122, White},
      {"迅雷地址 box", 20, 170, White},
      {"快车地址 box, over the label", 20, 218, White},
      {"旋风地址 box", 290, 266, White},
  };
  for (const auto& p : points)
    EXPECT_EQ(shot.at(p.x, p.y), p.colour)
        << p.what << " at " << p.x << "," << p.y << " is " << std::hex << shot.at(p.x, p.y);
  EXPECT_TRUE(shot.anyIn({16, 8, 80, 20}, CaptionYellow)) << "caption of 分组框1";
  EXPECT_TRUE(shot.anyIn({16, 71, 80, 83}, CaptionYellow)) << "caption of 分组框2";
  for (int row = 0; row < 4; ++row) {
    const int top = 95 + 48 * row;
    EXPECT_TRUE(shot.anyIn({16, top, 88, top + 16}, CaptionYellow)) << "label caption " << row;
  }
  EXPECT_FALSE(shot.anyIn({16, 95 + 16, 88, 95 + 48}, CaptionYellow)) << "nothing between captions";
}

}  // namespace
