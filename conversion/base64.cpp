// Base64 encoder and lenient decoder.
#include "base64.h"

#include <array>
#include <cstdint>

namespace {

constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The 6-bit value of every byte: its place in the alphabet, and 0 for every
// byte outside it ("=", CR, LF, NUL and bytes 123 to 255 included).
constexpr std::array<std::uint8_t, 256> MakeDecodingTable() {
  std::array<std::uint8_t, 256> table{};
  for (std::uint8_t value = 0; value < 64; ++value) table[static_cast<unsigned char>(Alphabet[value])] = value;
  return table;
}

constexpr std::array<std::uint8_t, 256> DecodingTable = MakeDecodingTable();

}  // namespace

std::string Base64Encode(std::string_view bytes) {
  const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t size = bytes.size();
  std::string out((size + 2) / 3 * 4, '=');
  char* o = out.data();
  std::size_t i = 0;
  for (; i + 3 <= size; i += 3, o += 4) {
    const std::uint32_t block = (std::uint32_t{in[i]} << 16) | (std::uint32_t{in[i + 1]} << 8) | in[i + 2];
    o[0] = Alphabet[block >> 18];
    o[1] = Alphabet[(block >> 12) & 63];
    o[2] = Alphabet[(block >> 6) & 63];
    o[3] = Alphabet[block & 63];
  }
  if (const std::size_t left = size - i; left > 0) {
    const std::uint32_t block = (std::uint32_t{in[i]} << 16) | (left == 2 ? std::uint32_t{in[i + 1]} << 8 : 0);
    o[0] = Alphabet[block >> 18];
    o[1] = Alphabet[(block >> 12) & 63];
    if (left == 2) o[2] = Alphabet[(block >> 6) & 63];
  }
  return out;
}

std::string Base64Decode(std::string_view text) {
  const auto* in = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t length = text.size();
  // Places at or past the end read as 0, never as "=".
  auto at = [&](std::size_t p) -> unsigned { return p < length ? in[p] : 0u; };

  std::string out((length + 3) / 4 * 3, '\0');
  auto* o = reinterpret_cast<unsigned char*>(out.data());
  std::size_t p = 0;  // read position
  std::size_t n = 0;  // characters consumed: a group counts four even when "=" cuts it short
  while (n < length) {
    const unsigned first = in[p];
    if (first == '\r' || first == '\n') {
      ++p;
      ++n;
      continue;
    }
    n += 4;
    std::uint32_t acc = (std::uint32_t{DecodingTable[first]} << 18) | (std::uint32_t{DecodingTable[at(p + 1)]} << 12);
    *o++ = static_cast<unsigned char>(acc >> 16);
    p += 2;
    if (at(p) == '=') continue;
    acc |= std::uint32_t{DecodingTable[at(p)]} << 6;
    *o++ = static_cast<unsigned char>(acc >> 8);
    ++p;
    if (at(p) == '=') continue;
    *o++ = static_cast<unsigned char>(acc | DecodingTable[at(p)]);
    ++p;
  }
  out.resize(static_cast<std::size_t>(o - reinterpret_cast<unsigned char*>(out.data())));
  return out;
}
