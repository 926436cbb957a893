// The window under load: texts of megabytes, and thousands of random events.
#include <gtest/gtest.h>
#include <windows.h>

#include <random>
#include <string>

#include "control_ids.h"
#include "driver.h"
#include "link_conversion.h"

namespace {

// What an edit box shows of `bytes`: it keeps its text as Unicode, so bytes
// that are no text of the code page come back changed, as on Windows.
std::string AsShownInABox(const std::string& bytes) {
  if (bytes.empty()) return bytes;
  const int length = static_cast<int>(bytes.size());
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  wide.resize(static_cast<std::size_t>(MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, wide.data(), length)));
  std::string shown(wide.size() * 2, '\0');
  shown.resize(
      static_cast<std::size_t>(WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), shown.data(),
                                                   static_cast<int>(shown.size()), nullptr, nullptr)));
  return shown;
}

void ExpectResultsOf(const RunningConverter& app, const std::string& input) {
  for (int type = 0; type < 4; ++type) {
    const std::string shown = TextOf(app.control(ResultBoxIds[type]));
    const std::string expected = AsShownInABox(ConvertLink(input, static_cast<LinkType>(type)));
    ASSERT_EQ(shown.size(), expected.size()) << "type " << type;
    ASSERT_TRUE(shown == expected) << "type " << type;
  }
}

// Pastes `text` into `box` the way a person does: clipboard, then Ctrl+V.
void Paste(const RunningConverter& app, int box, const std::string& text) {
  WriteClipboardText(text);
  SetForegroundWindow(app.window());
  while (GetDlgCtrlID(app.focus()) != box) PressKey(VK_TAB);
  SendMessageA(app.control(box), EM_SETSEL, 0, -1);
  INPUT keys[4] = {};
  for (INPUT& key : keys) key.type = INPUT_KEYBOARD;
  keys[0].ki.wVk = keys[3].ki.wVk = VK_CONTROL;
  keys[1].ki.wVk = keys[2].ki.wVk = 'V';
  keys[2].ki.dwFlags = keys[3].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(4, keys, sizeof(INPUT));
  WaitFor([&] { return SendMessageA(app.control(box), WM_GETTEXTLENGTH, 0, 0) == static_cast<LRESULT>(text.size()); },
          20000);
}

class HugeText : public testing::TestWithParam<std::size_t> {};

TEST_P(HugeText, IsConvertedAndCopiedWhole) {
  RunningConverter app;
  ASSERT_NE(app.window(), nullptr);
  std::string address = "http://server/";
  address.resize(GetParam(), 'a');
  address.replace(address.size() - 4, 4, "下载");  // a GBK character at the end
  Paste(app, 编辑框_待转换地址, address);
  ASSERT_EQ(TextOf(app.control(编辑框_待转换地址)), address);
  Click(app.control(按钮_转换));
  ExpectResultsOf(app, address);

  const std::string link = ConvertLink(address, LinkType::FlashGet);
  Paste(app, 编辑框_原始地址, link);
  Click(app.control(按钮_原始地址));
  std::string bytes;
  SIZE_T blockSize = 0;
  ASSERT_TRUE(ReadClipboardText(bytes, blockSize));
  EXPECT_EQ(blockSize, link.size() + 1);
  EXPECT_TRUE(bytes == link + '\0');
  EXPECT_TRUE(app.running());
}

INSTANTIATE_TEST_SUITE_P(Sizes, HugeText, testing::Values(std::size_t{1} << 20, std::size_t{16} << 20));

// Text that survives the edit boxes unchanged: printable ASCII and GB2312
// characters, mixed with links made from such text, whole or damaged.
std::string RandomText(std::mt19937& random) {
  std::string text;
  const int length = static_cast<int>(random() % 80);
  for (int i = 0; i < length; ++i) {
    if (random() % 5 == 0) {
      text += static_cast<char>(0xB0 + random() % 0x48);
      text += static_cast<char>(0xA1 + random() % 0x5E);
    } else {
      text += static_cast<char>(0x20 + random() % 0x5F);
    }
  }
  switch (random() % 4) {
    case 0:
      return text;
    case 1:
      return ConvertLink(text, static_cast<LinkType>(1 + random() % 3));
    case 2: {
      const std::string link = ConvertLink(text, static_cast<LinkType>(1 + random() % 3));
      return link.substr(0, random() % (link.size() + 1));
    }
    default:
      return "http://server/" + text;
  }
}

TEST(Monkey, ThousandsOfRandomEventsKeepTheWindowAliveAndRight) {
  RunningConverter app;
  ASSERT_NE(app.window(), nullptr);
  std::mt19937 random(20261211);
  const int boxes[] = {编辑框_待转换地址, 编辑框_原始地址, 编辑框_迅雷地址, 编辑框_快车地址, 编辑框_旋风地址};
  int conversions = 0;
  for (int event = 0; event < 3000; ++event) {
    SCOPED_TRACE(event);
    const unsigned choice = random() % 100;
    if (choice < 40) {
      SetText(app.control(boxes[random() % 5]), RandomText(random));
    } else if (choice < 70) {
      Click(app.control(按钮_转换));
      ++conversions;
      ExpectResultsOf(app, TextOf(app.control(编辑框_待转换地址)));
    } else if (choice < 85) {
      Click(app.control(CopyButtonIds[random() % 4]));
    } else if (choice < 95) {
      PressKey(VK_TAB, random() % 2 == 0);
    } else if (choice < 98) {
      PressKey(VK_RETURN, false);
    } else {
      PressKey(VK_SPACE, false);
    }
    ASSERT_TRUE(app.running());
    if (HasFatalFailure()) return;
  }
  EXPECT_GT(conversions, 500);
  SendMessageA(app.window(), WM_CLOSE, 0, 0);
  EXPECT_EQ(app.waitForExit(5000), 0u);
}

}  // namespace
