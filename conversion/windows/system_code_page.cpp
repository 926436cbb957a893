// The ANSI code page of the running Windows, with its lead bytes as the
// system itself reports them.
#include <windows.h>

#include "../code_page.h"

static CodePage ReadSystemCodePage() {
  const UINT number = GetACP();
  std::array<bool, 256> leads{};
  for (unsigned value = 0; value < 256; ++value) leads[value] = IsDBCSLeadByteEx(number, static_cast<BYTE>(value)) != 0;
  return CodePage::WithLeadBytes(number, leads);
}

const CodePage& SystemCodePage() {
  static const CodePage page = ReadSystemCodePage();
  return page;
}
