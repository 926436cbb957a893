// Stands in for the web browser in the window tests: appends the address the
// shell asked it to open to opened.log beside this program. A window program
// without a window, so that it never takes the activation from the tool.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char path[MAX_PATH * 4] = {};
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string log = path;
  log = log.substr(0, log.find_last_of('\\') + 1) + "opened.log";
  FILE* out = std::fopen(log.c_str(), "ab");
  if (!out) return 1;
  for (int i = 1; i < __argc; ++i) std::fprintf(out, "%s\n", __argv[i]);
  std::fclose(out);
  return 0;
}
