// The code page that text bytes belong to, reduced to what the conversion
// needs from it: which bytes start a double-byte character.
#pragma once

#include <array>
#include <cstdint>

class CodePage {
 public:
  // A code page with no lead bytes (every character is one byte).
  constexpr CodePage() = default;

  // Code pages 932, 936, 949, 950 and 1361 get their lead-byte ranges; every
  // other number (1252, 65001, ...) is treated as having no lead bytes, as
  // Windows does for its single-byte code pages and for UTF-8.
  static CodePage FromNumber(unsigned number);

  // A code page whose lead bytes are given one by one.
  static CodePage WithLeadBytes(unsigned number, const std::array<bool, 256>& leads);

  unsigned Number() const { return number_; }

  bool IsLeadByte(unsigned char value) const { return (leads_[value >> 6] >> (value & 63)) & 1; }

  bool HasLeadBytes() const { return (leads_[0] | leads_[1] | leads_[2] | leads_[3]) != 0; }

 private:
  void AddLeadRange(unsigned first, unsigned last);

  unsigned number_ = 0;
  std::array<std::uint64_t, 4> leads_{};
};

// The system's ANSI code page: on Windows what GetACP names, with the lead
// bytes Windows reports for it; elsewhere code page 936 (GBK). Computed once.
const CodePage& SystemCodePage();
