// Fuzzes Base64Decode against a plain second decoder written index by index
// from the decoder's documented rules, so that a faster decoder that drifts
// from those rules, or reads outside its input, is caught.
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

void CheckDecode(std::string_view text) {
  const std::string expected = reference::Base64Decode(text);
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
