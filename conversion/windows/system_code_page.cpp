// The ANSI code page of the running Windows, with its lead bytes as the
// system itself reports them.
#include <windows.h>

#include "../code_page.h"

static CodePage ReadSystemCodePage() {
  const UINT number = GetACP();
  std::array<bool, 256> leads{};
  for (unsigned byte = 0; byte < 256; ++byte) leads[byte] = IsDBCSLeadByteEx(number, static_cast<BYTE>(byte)) != 0;
  return CodePage::WithLeadBytes(number, leads);
}

const CodePage& SystemCodePage() {
  static const CodePage page = ReadSystemCodePage();
  return page;
}
