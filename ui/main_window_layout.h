// MainWindow as it stands before any handler runs: its frame, colours,
// icon, thirteen controls, stacking order, keyboard order and the keys it
// handles itself.
#pragma once

#include <windows.h>

// Registers the window class and creates MainWindow hidden, centred on the
// screen, with all its controls. The created event fires inside this call.
// Returns NULL when the window cannot be created.
HWND CreateMainWindow(HINSTANCE instance);

// Shows the window normally and activates it; the focus goes to the input box.
void ShowMainWindow(HWND window);

// Tab, Shift+Tab and Esc meant for the window or one of its controls. Returns
// true when the key was handled here and must not reach the control.
bool HandleMainWindowKey(HWND window, const MSG& message);
