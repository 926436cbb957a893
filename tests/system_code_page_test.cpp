// The default code page: GBK where the system's is GBK (always, off Windows).
#include <gtest/gtest.h>

#include "code_page.h"

TEST(SystemCodePage, IsGbkWithItsLeadBytes) {
  const CodePage& page = SystemCodePage();
  ASSERT_EQ(page.Number(), 936u) << "run the Windows tests with code page 936 in force";
  for (unsigned byte = 0; byte < 256; ++byte)
    EXPECT_EQ(page.IsLeadByte(static_cast<unsigned char>(byte)), byte >= 0x81 && byte <= 0xFE) << byte;
}
