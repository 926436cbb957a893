// Measures how long a window program takes from CreateProcess until its
// window is visible, against a minimal Win32 window program started the same
// way in the same run, and prints both with their ratio.
//   window_startup.exe [RUNS]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string ProgramFolder() {
  char path[MAX_PATH * 4] = {};
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string folder = path;
  return folder.substr(0, folder.find_last_of('\\') + 1);
}

struct Search {
  DWORD processId;
  HWND found;
};

BOOL CALLBACK FindVisibleWindow(HWND window, LPARAM lParam) {
  auto* search = reinterpret_cast<Search*>(lParam);
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  if (processId != search->processId || !IsWindowVisible(window)) return TRUE;
  search->found = window;
  return FALSE;
}

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Milliseconds from CreateProcess until a visible window, or a negative value on failure.
double TimeToWindow(const std::string& program) {
  std::string commandLine = "\"" + ProgramFolder() + program + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  LARGE_INTEGER start, shown;
  QueryPerformanceCounter(&start);
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return -1;
  Search search{process.dwProcessId, nullptr};
  for (int polls = 0; polls < 20000 && !search.found; ++polls) {
    EnumWindows(FindVisibleWindow, reinterpret_cast<LPARAM>(&search));
    if (!search.found) Sleep(0);
  }
  QueryPerformanceCounter(&shown);
  if (search.found) PostMessageA(search.found, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process.hProcess, 5000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return search.found ? 1000 * Seconds(start, shown) : -1;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::atoi(argv[1]) : 15;
  std::vector<double> minimal, converter;
  // Alternate the two so that both see the same state of the machine.
  for (int run = 0; run < runs; ++run) {
    minimal.push_back(TimeToWindow("minimal_window.exe"));
    converter.push_back(TimeToWindow("LinkConverter.exe"));
  }
  if (*std::min_element(minimal.begin(), minimal.end()) < 0 ||
      *std::min_element(converter.begin(), converter.end()) < 0) {
    std::fprintf(stderr, "window_startup: a program did not show its window\n");
    return 1;
  }
  const double reference = Median(minimal), measured = Median(converter);
  std::printf("window visible after CreateProcess, median of %d runs each\n", runs);
  std::printf("  minimal Win32 window   %7.1f ms   1.00x (reference)\n", reference);
  std::printf("  LinkConverter.exe      %7.1f ms   %.2fx\n", measured, measured / reference);
  return 0;
}
