// MainWindow: a fixed 390 x 327 window in BackgroundBlue with two group boxes,
// a label and five edit boxes with their buttons. Every control is a child of
// the window itself, stacked above the group box that frames it, so that
// clicks and colour requests come straight to the window procedure.
#include "main_window_layout.h"

#include <iterator>
#include <new>

#include "control_ids.h"
#include "fault_injection.h"
#include "main_window_behaviour.h"

namespace {

constexpr char ClassName[] = "LinkConverterMainWindow";
constexpr char Caption[] = "青禾专用链地址转换工具 V1.0";
constexpr int WindowWidth = 390;
constexpr int WindowHeight = 327;
constexpr DWORD WindowStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr int ApplicationIcon = 1;

constexpr COLORREF BackgroundBlue = RGB(0, 136, 255);
constexpr COLORREF CaptionYellow = RGB(255, 255, 0);

// The label's captions stand this far apart, one beside each result row.
constexpr int LabelRowPitch = 48;
constexpr const char* LabelCaptions[] = {"原始地址:", "迅雷地址:", "快车地址:", "旋风地址:"};
constexpr char LabelText[] = "原始地址:\r\n\r\n\r\n\r\n迅雷地址:\r\n\r\n\r\n\r\n快车地址:\r\n\r\n\r\n\r\n旋风地址:";

enum class Kind { GroupBox, Label, EditBox, Button };

struct PlannedControl {
  int id;
  Kind kind;
  int x, y, width, height;  // in MainWindow's client area
  const char* text;
};

// Listed topmost first: this is the stacking order.
constexpr PlannedControl Controls[] = {
    {按钮_旋风地址, Kind::Button, 304, 256, 60, 20, "复制"}, {按钮_快车地址, Kind::Button, 304, 208, 60, 20, "复制"},
    {按钮_迅雷地址, Kind::Button, 304, 160, 60, 20, "复制"}, {按钮_原始地址, Kind::Button, 304, 112, 60, 20, "复制"},
    {编辑框_旋风地址, Kind::EditBox, 16, 256, 280, 20, ""},  {编辑框_快车地址, Kind::EditBox, 16, 208, 280, 20, ""},
    {编辑框_迅雷地址, Kind::EditBox, 16, 160, 280, 20, ""},  {编辑框_原始地址, Kind::EditBox, 16, 112, 280, 20, ""},
    {标签1, Kind::Label, 16, 95, 72, 160, LabelText},        {按钮_转换, Kind::Button, 304, 31, 60, 20, "转换"},
    {编辑框_待转换地址, Kind::EditBox, 16, 31, 280, 20, ""}, {分组框2, Kind::GroupBox, 8, 71, 368, 217, "转换结果"},
    {分组框1, Kind::GroupBox, 8, 8, 368, 56, "待转换地址"},
};

const char* ClassOf(Kind kind) {
  switch (kind) {
    case Kind::EditBox:
      return "EDIT";
    case Kind::Label:
      return "STATIC";
    default:
      return "BUTTON";
  }
}

DWORD StyleOf(Kind kind) {
  constexpr DWORD child = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
  switch (kind) {
    case Kind::GroupBox:
      return child | BS_GROUPBOX | BS_LEFT;
    case Kind::Label:
      return child | SS_OWNERDRAW;
    case Kind::EditBox:
      return child | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL;
    default:
      return child | WS_TABSTOP | BS_PUSHBUTTON | BS_CENTER | BS_VCENTER | BS_MULTILINE;
  }
}

constexpr int KeyboardOrder[] = {编辑框_待转换地址, 按钮_转换,     编辑框_原始地址, 编辑框_迅雷地址, 编辑框_快车地址,
                                 编辑框_旋风地址,   按钮_原始地址, 按钮_迅雷地址,   按钮_快车地址,   按钮_旋风地址};

// Per-window state.
struct WindowState {
  bool created = false;      // the created event has fired
  HWND lastFocus = nullptr;  // the control that had the focus when the window was last deactivated
};

WindowState* StateOf(HWND window) { return reinterpret_cast<WindowState*>(GetWindowLongPtrA(window, GWLP_USERDATA)); }

HBRUSH BlueBrush(HWND window) { return reinterpret_cast<HBRUSH>(GetClassLongPtrA(window, GCLP_HBRBACKGROUND)); }

WNDPROC OriginalProcOf(HWND control) { return reinterpret_cast<WNDPROC>(GetWindowLongPtrA(control, GWLP_USERDATA)); }

void Subclass(HWND control, WNDPROC proc) {
  SetWindowLongPtrA(control, GWLP_USERDATA, GetWindowLongPtrA(control, GWLP_WNDPROC));
  SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc));
}

int TextHeight(HWND control, const char* text) {
  HDC dc = GetDC(control);
  HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
  SIZE size{};
  GetTextExtentPoint32A(dc, text, lstrlenA(text), &size);
  SelectObject(dc, oldFont);
  ReleaseDC(control, dc);
  return size.cy;
}

// --- Edit boxes: one line of text centred vertically inside the border ------

// The client area shrinks to one line of text, centred in the space inside
// the border; the remainder of an odd spare height goes below.
void CentreEditClientArea(HWND box, RECT& client) {
  const int lineHeight = TextHeight(box, "W");
  const int spare = (client.bottom - client.top) - lineHeight;
  if (spare <= 0) return;
  client.top += spare / 2;
  client.bottom = client.top + lineHeight;
}

// Fills the strips between the sunken edge and the narrowed client area.
void FillEditBorderStrips(HWND box) {
  RECT window{}, client{};
  GetWindowRect(box, &window);
  GetClientRect(box, &client);
  MapWindowPoints(box, nullptr, reinterpret_cast<POINT*>(&client), 2);
  OffsetRect(&client, -window.left, -window.top);
  OffsetRect(&window, -window.left, -window.top);
  InflateRect(&window, -GetSystemMetrics(SM_CXEDGE), -GetSystemMetrics(SM_CYEDGE));
  HDC dc = GetWindowDC(box);
  HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  RECT above{window.left, window.top, window.right, client.top};
  RECT below{window.left, client.bottom, window.right, window.bottom};
  if (above.bottom > above.top) FillRect(dc, &above, white);
  if (below.bottom > below.top) FillRect(dc, &below, white);
  ReleaseDC(box, dc);
}

LRESULT CALLBACK EditBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
  const WNDPROC original = OriginalProcOf(box);
  switch (message) {
    case WM_NCCALCSIZE: {
      const LRESULT result = CallWindowProcA(original, box, message, wParam, lParam);
      RECT& client = wParam ? reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0] : *reinterpret_cast<RECT*>(lParam);
      CentreEditClientArea(box, client);
      return result;
    }
    case WM_NCPAINT:
      FillEditBorderStrips(box);
      return CallWindowProcA(original, box, message, wParam, lParam);
    case WM_NCHITTEST: {
      const POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      RECT window{}, client{};
      GetWindowRect(box, &window);
      GetClientRect(box, &client);
      MapWindowPoints(box, nullptr, reinterpret_cast<POINT*>(&client), 2);
      if (PtInRect(&window, point) && !PtInRect(&client, point)) return HTBORDER;
      return CallWindowProcA(original, box, message, wParam, lParam);
    }
    default:
      return CallWindowProcA(original, box, message, wParam, lParam);
  }
}

// A box lower than its font's tallest line plus the sunken edge grows to that
// height; then its client area is worked out again for the font now in use.
void SettleEditBox(HWND box) {
  SendMessageA(box, EM_LIMITTEXT, 0, 0);
  RECT rect{};
  GetWindowRect(box, &rect);
  const int minimumHeight = TextHeight(box, "吴") + 2 * GetSystemMetrics(SM_CYEDGE);
  const int height = rect.bottom - rect.top;
  SetWindowPos(box, nullptr, 0, 0, rect.right - rect.left, height < minimumHeight ? minimumHeight : height,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

// --- Group boxes: filled with BackgroundBlue --------------------------------

LRESULT CALLBACK GroupBoxProc(HWND group, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ERASEBKGND) {
    RECT client{};
    GetClientRect(group, &client);
    FillRect(reinterpret_cast<HDC>(wParam), &client, BlueBrush(GetParent(group)));
    return 1;
  }
  return CallWindowProcA(OriginalProcOf(group), group, message, wParam, lParam);
}

// --- The label: four captions, one beside each result row --------------------

void DrawLabel(HWND window, const DRAWITEMSTRUCT& item) {
  FillRect(item.hDC, &item.rcItem, BlueBrush(window));
  HGDIOBJ oldFont = SelectObject(item.hDC, GetStockObject(DEFAULT_GUI_FONT));
  SetTextColor(item.hDC, CaptionYellow);
  SetBkMode(item.hDC, TRANSPARENT);
  for (int row = 0; row < static_cast<int>(std::size(LabelCaptions)); ++row) {
    RECT line = item.rcItem;
    line.top += row * LabelRowPitch;
    DrawTextA(item.hDC, LabelCaptions[row], -1, &line, DT_LEFT | DT_WORDBREAK);
  }
  SelectObject(item.hDC, oldFont);
}

// --- Controls -----------------------------------------------------------------

bool CreateControls(HWND window) {
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
  const WPARAM font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
  // Created bottom first, each put on top of those before it.
  for (auto planned = std::rbegin(Controls); planned != std::rend(Controls); ++planned) {
    const DWORD exStyle = planned->kind == Kind::EditBox ? WS_EX_CLIENTEDGE : 0;
    HWND control = CreateWindowExA(exStyle, ClassOf(planned->kind), planned->text, StyleOf(planned->kind), planned->x,
                                   planned->y, planned->width, planned->height, window,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(planned->id)), instance, nullptr);
    if (!control) return false;
    SendMessageA(control, WM_SETFONT, font, FALSE);
    SetWindowPos(control, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (planned->kind == Kind::EditBox) {
      Subclass(control, EditBoxProc);
      SettleEditBox(control);
    } else if (planned->kind == Kind::GroupBox) {
      Subclass(control, GroupBoxProc);
    }
  }
  return true;
}

// --- Focus and keys ------------------------------------------------------------

void MoveFocus(HWND window, int step) {
  constexpr int count = static_cast<int>(std::size(KeyboardOrder));
  const int focusedId = GetDlgCtrlID(GetFocus());
  int index = 0;
  while (index < count && KeyboardOrder[index] != focusedId) ++index;
  if (index == count) index = step > 0 ? count - 1 : 0;
  for (int tried = 0; tried < count; ++tried) {
    index = (index + step + count) % count;
    HWND next = GetDlgItem(window, KeyboardOrder[index]);
    if (IsWindowVisible(next) && IsWindowEnabled(next)) {
      SetFocus(next);
      return;
    }
  }
}

void RestoreFocus(HWND window) {
  HWND target = StateOf(window)->lastFocus;
  if (!target || !IsWindow(target)) target = GetDlgItem(window, KeyboardOrder[0]);
  SetFocus(target);
}

void RememberFocus(HWND window) {
  HWND focus = GetFocus();
  if (focus && IsChild(window, focus)) StateOf(window)->lastFocus = focus;
}

bool IsModifierDown(int key) { return GetKeyState(key) < 0; }

// --- The window procedure --------------------------------------------------------

LRESULT OnCreate(HWND window) {
  SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new (std::nothrow) WindowState{}));
  if (!StateOf(window) || IsFaultInjected(Fault::WindowCreation) || !CreateControls(window)) return -1;
  StateOf(window)->created = true;
  HandleWindowCreated(window);
  return 0;
}

void OnCommand(HWND window, WPARAM wParam) {
  if (HIWORD(wParam) != BN_CLICKED) return;
  const int id = LOWORD(wParam);
  if (id == 按钮_转换) {
    HandleConvert(window);
    return;
  }
  for (int type = 0; type < 4; ++type)
    if (id == CopyButtonIds[type]) HandleCopy(GetDlgItem(window, ResultBoxIds[type]));
}

LRESULT OnColour(HWND window, UINT message, HDC dc) {
  if (message == WM_CTLCOLOREDIT) {
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, RGB(255, 255, 255));
    return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
  }
  SetTextColor(dc, CaptionYellow);
  SetBkColor(dc, BackgroundBlue);
  return reinterpret_cast<LRESULT>(BlueBrush(window));
}

void OnActivate(HWND window, WPARAM wParam) {
  if (LOWORD(wParam) == WA_INACTIVE)
    RememberFocus(window);
  else if (!HIWORD(wParam))  // not while minimised
    RestoreFocus(window);
}

// A window whose creation failed is destroyed too; it never was a running
// window, so neither the exit-page rule nor the end of the message loop
// applies (the fatal message box must not see a quit message).
void OnDestroy(HWND window) {
  WindowState* state = StateOf(window);
  const bool created = state && state->created;
  delete state;
  SetWindowLongPtrA(window, GWLP_USERDATA, 0);
  if (!created) return;
  HandleWindowDestroying();
  PostQuitMessage(0);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return OnCreate(window);
    case WM_COMMAND:
      OnCommand(window, wParam);
      return 0;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
      return OnColour(window, message, reinterpret_cast<HDC>(wParam));
    case WM_DRAWITEM:
      if (wParam == 标签1) DrawLabel(window, *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_ACTIVATE:
      if (StateOf(window)) OnActivate(window, wParam);
      return 0;
    case WM_SETFOCUS:
      if (StateOf(window)) RestoreFocus(window);
      return 0;
    case WM_DESTROY:
      OnDestroy(window);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

HICON LoadApplicationIcon(HINSTANCE instance, int widthMetric, int heightMetric) {
  return static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(ApplicationIcon), IMAGE_ICON,
                                       GetSystemMetrics(widthMetric), GetSystemMetrics(heightMetric), LR_SHARED));
}

bool RegisterMainWindowClass(HINSTANCE instance) {
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = MainWindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadApplicationIcon(instance, SM_CXICON, SM_CYICON);
  windowClass.hIconSm = LoadApplicationIcon(instance, SM_CXSMICON, SM_CYSMICON);
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = CreateSolidBrush(BackgroundBlue);
  windowClass.lpszClassName = ClassName;
  return RegisterClassExA(&windowClass) != 0;
}

}  // namespace

HWND CreateMainWindow(HINSTANCE instance) {
  if (!RegisterMainWindowClass(instance)) return nullptr;
  const int x = (GetSystemMetrics(SM_CXSCREEN) - WindowWidth) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - WindowHeight) / 2;
  HWND window = CreateWindowExA(0, ClassName, Caption, WindowStyle, x, y, WindowWidth, WindowHeight, nullptr, nullptr,
                                instance, nullptr);
  if (!window) return nullptr;
  SendMessageA(window, WM_SETICON, ICON_BIG,
               reinterpret_cast<LPARAM>(LoadApplicationIcon(instance, SM_CXICON, SM_CYICON)));
  SendMessageA(window, WM_SETICON, ICON_SMALL,
               reinterpret_cast<LPARAM>(LoadApplicationIcon(instance, SM_CXSMICON, SM_CYSMICON)));
  RECT rect{};
  GetWindowRect(window, &rect);
  if (rect.right - rect.left != WindowWidth || rect.bottom - rect.top != WindowHeight)
    SetWindowPos(window, nullptr, 0, 0, WindowWidth, WindowHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  return window;
}

void ShowMainWindow(HWND window) {
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
}

bool HandleMainWindowKey(HWND window, const MSG& message) {
  if (message.message != WM_KEYDOWN || !IsWindow(window)) return false;
  if (message.hwnd != window && !IsChild(window, message.hwnd)) return false;
  const bool shift = IsModifierDown(VK_SHIFT);
  const bool ctrl = IsModifierDown(VK_CONTROL);
  const bool alt = IsModifierDown(VK_MENU);
  if (message.wParam == VK_TAB && !ctrl && !alt) {
    MoveFocus(window, shift ? -1 : 1);
    return true;
  }
  if (message.wParam == VK_ESCAPE && !shift && !ctrl && !alt) {
    SendMessageA(window, WM_CLOSE, 0, 0);
    return true;
  }
  return false;
}
