// Failures on demand, for the test build of the window program only
// (LinkConverterFaults.exe). The product is built without
// LINKCONV_FAULT_INJECTION: there every check is the constant false and the
// program reads no environment.
#pragma once

enum class Fault {
  WindowCreation,  // MainWindow cannot be created
  BoxText,         // memory runs out while a box's text is copied for a handler
  ResultCopy,      // memory runs out while ConvertLink's result is copied for HandleConvert
  ClipboardBlock,  // the clipboard's memory block cannot be had
};

#ifdef LINKCONV_FAULT_INJECTION
// True when the environment variable LINKCONV_FAULT names `fault`
// ("window", "box-text", "result-copy" or "clipboard-block").
bool IsFaultInjected(Fault fault);
#else
constexpr bool IsFaultInjected(Fault) { return false; }
#endif
