// What MainWindow does: the start-up conversion, the convert and copy
// buttons, the exit-page rule and the fatal failures.
#pragma once

#include <windows.h>

// The created event: converts the input box's start text once.
void HandleWindowCreated(HWND window);

// Fills the four result boxes from one reading of the input box.
void HandleConvert(HWND window);

// Puts the current text of `box` on the clipboard. Silent when the clipboard
// is busy.
void HandleCopy(HWND box);

// The will-be-destroyed event: opens the exit page when the seconds of the
// local time are a multiple of three.
void HandleWindowDestroying();

// Shows what failed in a message box, then ends the process with exit code -1.
[[noreturn]] void FailFatally(HWND owner, const char* what);
