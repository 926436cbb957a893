// Outside Windows there is no ANSI code page; the tool's own, GBK, stands in.
#include "../code_page.h"

const CodePage& SystemCodePage() {
  static const CodePage page = CodePage::FromNumber(936);
  return page;
}
