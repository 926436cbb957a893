// Plain reference codecs for the tests and fuzz targets, written index by
// index from the decoder's rules with no concern for speed, so that the fast
// codec can be checked against them on every input.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace reference {

inline constexpr std::string_view Alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Six bits at a time from a stream of bits, then "=" up to a multiple of four.
inline std::string Base64Encode(std::string_view bytes) {
  std::vector<bool> bits;
  bits.reserve(bytes.size() * 8 + 4);
  for (unsigned char byte : bytes)
    for (int bit = 7; bit >= 0; --bit) bits.push_back((byte >> bit) & 1);
  // The last character takes zero bits where the input runs out.
  while (bits.size() % 6 != 0) bits.push_back(false);
  std::string out;
  for (std::size_t i = 0; i < bits.size(); i += 6) {
    unsigned value = 0;
    for (std::size_t j = 0; j < 6; ++j) value = value * 2 + (bits[i + j] ? 1u : 0u);
    out += Alphabet[value];
  }
  while (out.size() % 4 != 0) out += '=';
  return out;
}

// A byte's place in the alphabet; every byte outside it counts as 0.
inline unsigned SixBitValue(unsigned char c) {
  const std::size_t place = Alphabet.find(static_cast<char>(c));
  return place == std::string_view::npos ? 0 : static_cast<unsigned>(place);
}

// The decoder's rules, one character at a time.
inline std::string Base64Decode(std::string_view text) {
  const std::size_t length = text.size();
  // Places at or past the end read as the byte 0, which is never "=".
  auto charAt = [&](std::size_t i) -> unsigned char { return i < length ? static_cast<unsigned char>(text[i]) : 0; };
  std::string out;
  std::size_t p = 0;  // read position
  std::size_t n = 0;  // characters counted: a group counts four even when "=" cuts it short
  while (n < length) {
    if (charAt(p) == '\r' || charAt(p) == '\n') {
      p += 1;
      n += 1;
      continue;
    }
    n += 4;
    const unsigned v0 = SixBitValue(charAt(p));
    const unsigned v1 = SixBitValue(charAt(p + 1));
    out += static_cast<char>((v0 << 2) | (v1 >> 4));
    if (charAt(p + 2) == '=') {
      p += 2;
      continue;
    }
    const unsigned v2 = SixBitValue(charAt(p + 2));
    out += static_cast<char>(((v1 & 15) << 4) | (v2 >> 2));
    if (charAt(p + 3) == '=') {
      p += 3;
      continue;
    }
    const unsigned v3 = SixBitValue(charAt(p + 3));
    out += static_cast<char>(((v2 & 3) << 6) | v3);
    p += 4;
  }
  return out;
}

}  // namespace reference
