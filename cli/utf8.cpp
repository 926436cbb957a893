// Byte-level checks of text whose encoding is not known for sure.
#include "utf8.h"

namespace {

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The length of the sequence that starts at `p`, or 0 when it is malformed.
// The allowed range of the second byte rules out overlong forms, surrogates
// and values above U+10FFFF.
std::size_t SequenceLength(const unsigned char* p, std::size_t left) {
  const unsigned char lead = p[0];
  std::size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (left < length || p[1] < low || p[1] > high) return 0;
  for (std::size_t i = 2; i < length; ++i)
    if (!IsContinuation(p[i])) return 0;
  return length;
}

}  // namespace

bool IsAscii(std::string_view bytes) {
  for (char c : bytes)
    if (static_cast<unsigned char>(c) > 0x7F) return false;
  return true;
}

bool IsValidUtf8(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t left = bytes.size();
  while (left > 0) {
    std::size_t length = *p < 0x80 ? 1 : SequenceLength(p, left);
    if (length == 0) return false;
    p += length;
    left -= length;
  }
  return true;
}
