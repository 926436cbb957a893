// Lead-byte tables of the double-byte code pages.
#include "code_page.h"

void CodePage::AddLeadRange(unsigned first, unsigned last) {
  for (unsigned value = first; value <= last; ++value) leads_[value >> 6] |= std::uint64_t{1} << (value & 63);
}

CodePage CodePage::FromNumber(unsigned number) {
  CodePage page;
  page.number_ = number;
  switch (number) {
    case 932:  // Shift-JIS
      page.AddLeadRange(0x81, 0x9F);
      page.AddLeadRange(0xE0, 0xFC);
      break;
    case 936:  // GBK
    case 949:  // Unified Hangul
    case 950:  // Big5
      page.AddLeadRange(0x81, 0xFE);
      break;
    case 1361:  // Johab
      page.AddLeadRange(0x84, 0xD3);
      page.AddLeadRange(0xD8, 0xDE);
      page.AddLeadRange(0xE0, 0xF9);
      break;
    default:
      break;
  }
  return page;
}

CodePage CodePage::WithLeadBytes(unsigned number, const std::array<bool, 256>& leads) {
  CodePage page;
  page.number_ = number;
  for (unsigned value = 0; value < 256; ++value)
    if (leads[value]) page.AddLeadRange(value, value);
  return page;
}
