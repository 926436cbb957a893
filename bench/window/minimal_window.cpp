// The yardstick for the window program's start-up: the least a Win32 program
// does to show a window. Registers a class, creates and shows one window,
// runs the message loop until it is closed.
#include <windows.h>

static LRESULT CALLBACK MinimalWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = MinimalWindowProc;
  windowClass.hInstance = instance;
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = "MinimalWindow";
  RegisterClassA(&windowClass);
  HWND window = CreateWindowA("MinimalWindow", "Minimal", WS_OVERLAPPEDWINDOW, 100, 100, 390, 327, nullptr, nullptr,
                              instance, nullptr);
  ShowWindow(window, SW_SHOWNORMAL);
  MSG message{};
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}
