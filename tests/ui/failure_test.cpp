// The failures of the window program, shown on its test build
// (LinkConverterFaults.exe), whose failure switch the product lacks.
#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <string>

#include "control_ids.h"
#include "driver.h"
#include "link_conversion.h"

namespace {

constexpr char FaultyProgram[] = "LinkConverterFaults.exe";
constexpr DWORD FatalExitCode = 0xFFFFFFFF;  // -1

enum class Action { Start, Convert, Copy };

struct FatalCase {
  const char* what;
  const char* fault;
  Action action;
  const char* message;  // part of what the message box says
};

const FatalCase FatalCases[] = {
    {"window cannot be created", "window", Action::Start, "无法创建主窗口"},
    {"input box text for convert", "box-text", Action::Convert, "无法读取编辑框中的文本"},
    {"result box text for copy", "box-text", Action::Copy, "无法读取编辑框中的文本"},
    {"ConvertLink's result for convert", "result-copy", Action::Convert, "无法复制转换结果"},
};

// Posted, not sent: the handler does not return until the message box is dismissed.
void Perform(const RunningConverter& app, Action action) {
  if (action == Action::Convert) {
    SetText(app.control(编辑框_待转换地址), "http://server/file.zip");
    PostMessageA(app.control(按钮_转换), BM_CLICK, 0, 0);
  } else if (action == Action::Copy) {
    SetText(app.control(编辑框_迅雷地址), "thunder://QUFhYmNaWg==");
    PostMessageA(app.control(按钮_迅雷地址), BM_CLICK, 0, 0);
  }
}

TEST(FatalFailure, ShowsWhatFailedThenEndsWithMinusOne) {
  for (const auto& c : FatalCases) {
    SCOPED_TRACE(c.what);
    RunningConverter app(FaultyProgram, c.fault);
    if (c.action != Action::Start) {
      ASSERT_NE(app.window(), nullptr);
      Perform(app, c.action);
    } else {
      EXPECT_EQ(app.window(), nullptr) << "no window after a failed creation";
    }
    HWND box = app.messageBox(5000);
    ASSERT_NE(box, nullptr) << "a message box says what failed";
    const std::string message = TextOf(GetDlgItem(box, 0xFFFF));
    EXPECT_NE(message.find(c.message), std::string::npos) << message;
    if (app.window()) {
      EXPECT_FALSE(IsWindowEnabled(app.window())) << "no handler runs while the box waits";
    }
    EXPECT_TRUE(app.running()) << "the process waits for the box to be dismissed";
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(app.waitForExit(5000), FatalExitCode);
  }
}

TEST(FailureInsideConvertLink, EmptiesItsBoxAndTheProgramGoesOn) {
  // Every allocation of 3002 bytes or more fails: the box text (3001 bytes
  // with its NUL) and the original address can be had, the encoded links
  // (about 4000 bytes) cannot.
  RunningConverter app(FaultyProgram, "3002");
  ASSERT_NE(app.window(), nullptr);
  const std::string longAddress = "http://server/" + std::string(2986, 'a');
  ASSERT_EQ(longAddress.size(), 3000u);
  SetText(app.control(编辑框_待转换地址), longAddress);
  SetText(app.control(编辑框_迅雷地址), "stale");
  Click(app.control(按钮_转换));
  EXPECT_EQ(TextOf(app.control(编辑框_原始地址)), longAddress);
  for (int type = 1; type < 4; ++type) EXPECT_EQ(TextOf(app.control(ResultBoxIds[type])), "") << "type " << type;
  EXPECT_EQ(app.messageBox(300), nullptr) << "not fatal";

  SetText(app.control(编辑框_待转换地址), "abc");
  Click(app.control(按钮_转换));
  EXPECT_EQ(TextOf(app.control(编辑框_旋风地址)), "qqdl://YWJj") << "the next conversion works";
  SendMessageA(app.window(), WM_CLOSE, 0, 0);
  EXPECT_EQ(app.waitForExit(5000), 0u);
}

TEST(ClipboardBlockFailure, LeavesTheClipboardAsItWas) {
  RunningConverter app(FaultyProgram, "clipboard-block");
  ASSERT_NE(app.window(), nullptr);
  WriteClipboardText("what the user had");
  SetText(app.control(编辑框_原始地址), "new text");
  Click(app.control(按钮_原始地址));
  std::string bytes;
  SIZE_T blockSize = 0;
  ASSERT_TRUE(ReadClipboardText(bytes, blockSize));
  EXPECT_STREQ(bytes.c_str(), "what the user had");
  EXPECT_EQ(app.messageBox(300), nullptr) << "silent";
  EXPECT_TRUE(app.running());
}

}  // namespace
