// Shows the tool at work on a display nobody looks at: starts
// LinkConverter.exe, converts a sample address through its window, prints the
// four rows it reads back and keeps a picture of the window.
//   window_demo.exe SCREENSHOT.bmp
#include <cstdio>
#include <string>

#include "control_ids.h"
#include "driver.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: window_demo SCREENSHOT.bmp\n");
    return 2;
  }
  RunningConverter app;
  if (!app.window()) {
    std::fprintf(stderr, "window_demo: LinkConverter.exe did not show its window\n");
    return 1;
  }
  SetText(app.control(编辑框_待转换地址), "http://下载.example/文件.zip");
  Click(app.control(按钮_转换));
  const char* labels[] = {"原始地址", "迅雷地址", "快车地址", "旋风地址"};
  for (int type = 0; type < 4; ++type)
    std::printf("%s: %s\n", labels[type], TextOf(app.control(ResultBoxIds[type])).c_str());
  Sleep(300);  // let the window paint its new texts
  RECT window{};
  GetWindowRect(app.window(), &window);
  CaptureScreen(window, argv[1]);
  return 0;
}
