// Fuzzes Base64Encode against a bit-by-bit reference encoder, checks the shape
// of its output, and checks that Base64Decode gives the input back.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base64.h"
#include "fuzz_support.h"
#include "reference_base64.h"
#if __has_include("base64_paths.h")
#include "base64_paths.h"
#define LINKCONV_FUZZ_PATHS 1
#endif

namespace {

bool IsEncodedText(std::string_view text) {
  for (char c : text)
    if (c != '=' && reference::Alphabet.find(c) == std::string_view::npos) return false;
  return true;
}

void CheckEncode(std::string_view bytes) {
  const std::string text = Base64Encode(bytes);
  ExpectEqual("Base64Encode differs from the reference encoder", bytes, reference::Base64Encode(bytes), text);
  if (text.size() != (bytes.size() + 2) / 3 * 4) Fail("Base64Encode gives the wrong length", bytes, "", text);
  if (!IsEncodedText(text)) Fail("Base64Encode gives a byte outside the alphabet and '='", bytes, "", text);
  ExpectEqual("Base64Decode does not give back what was encoded", bytes, bytes, Base64Decode(text));
#ifdef LINKCONV_FUZZ_PATHS
  ExpectEqual("the scalar path differs from Base64Encode", bytes, text, base64::Encode(bytes, base64::Path::Scalar));
  ExpectEqual("the AVX2 path differs from Base64Encode", bytes, text, base64::Encode(bytes, base64::Path::Avx2));
#endif
}

#ifdef LINKCONV_FUZZ_PATHS
// Encoding the input in three pieces, cut where its first two bytes say, must
// give the encoding of the whole, appended after what the text already held.
// Each piece gets its own heap block, so a read past any of them is caught.
void CheckAppendEncoded(std::string_view bytes) {
  if (bytes.size() < 2) return;
  const std::size_t firstCut = static_cast<unsigned char>(bytes[0]) % (bytes.size() + 1);
  const std::size_t secondCut = firstCut + static_cast<unsigned char>(bytes[1]) % (bytes.size() - firstCut + 1);
  const ExactCopy first(bytes.substr(0, firstCut));
  const ExactCopy second(bytes.substr(firstCut, secondCut - firstCut));
  const ExactCopy third(bytes.substr(secondCut));
  std::string appended = "held";
  base64::AppendEncoded(appended, first.View(), second.View(), third.View());
  const std::string expected = "held" + reference::Base64Encode(bytes);
  ExpectEqual("AppendEncoded of the input cut at " + std::to_string(firstCut) + " and " + std::to_string(secondCut) +
                  " differs from the reference encoder",
              bytes, expected, appended);
}
#endif

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const ExactCopy input(data, size);
  const std::string_view bytes = input.View();
  CheckWithShiftedAndCutViews(bytes, CheckEncode);
#ifdef LINKCONV_FUZZ_PATHS
  CheckAppendEncoded(bytes);
#endif
  return 0;
}
