// Fuzzes Base64Decode against a plain second decoder written index by index
// from the decoder's documented rules, so that a faster decoder that drifts
// from those rules, or reads outside its input, is caught.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base64.h"
#include "fuzz_support.h"
#if __has_include("base64_paths.h")
#include "base64_paths.h"
#define LINKCONV_FUZZ_PATHS 1
#endif

namespace {

unsigned SixBitValue(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26u;
  if (c >= '0' && c <= '9') return c - '0' + 52u;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return 0;
}

std::string ReferenceDecode(std::string_view text) {
  const std::size_t length = text.size();
  // Places at or past the end read as the byte 0, which is never "=".
  auto charAt = [&](std::size_t i) -> unsigned char { return i < length ? static_cast<unsigned char>(text[i]) : 0; };
  std::string out;
  std::size_t p = 0;
  std::size_t n = 0;
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

void CheckDecode(std::string_view text) {
  const std::string expected = ReferenceDecode(text);
  const std::string decoded = Base64Decode(text);
  ExpectEqual("Base64Decode differs from the reference decoder", text, expected, decoded);
  if (decoded.size() > (text.size() + 3) / 4 * 3)
    Fail("Base64Decode gives more than three bytes per started group", text, "", decoded);
#ifdef LINKCONV_FUZZ_PATHS
  // Base64Decode takes one path only; each path must agree on its own.
  ExpectEqual("the scalar path differs from the reference decoder", text, expected,
              base64::Decode(text, base64::Path::Scalar));
  ExpectEqual("the AVX2 path differs from the reference decoder", text, expected,
              base64::Decode(text, base64::Path::Avx2));
#endif
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const ExactCopy input(data, size);
  const std::string_view text = input.View();
  CheckWithShiftedAndCutViews(text, CheckDecode);
  return 0;
}
