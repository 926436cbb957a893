// Helpers shared by the fuzz targets: an exact-size heap copy of the input, so
// that AddressSanitizer sees any read past its end, and a failure report that
// names the input, the expected and the actual bytes before aborting, which
// makes libFuzzer keep the input as a crash artifact.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "hex.h"

class ExactCopy {
 public:
  ExactCopy(const std::uint8_t* data, std::size_t size) : bytes_(new char[size]), size_(size) {
    if (size > 0) std::memcpy(bytes_.get(), data, size);
  }
  explicit ExactCopy(std::string_view bytes)
      : ExactCopy(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()) {}
  std::string_view View() const { return {bytes_.get(), size_}; }

 private:
  std::unique_ptr<char[]> bytes_;
  std::size_t size_;
};

[[noreturn]] inline void Fail(std::string_view what, std::string_view input, std::string_view expected,
                              std::string_view actual) {
  std::fprintf(stderr, "\n%.*s\n  input    %s\n  expected %s\n  actual   %s\n", static_cast<int>(what.size()),
               what.data(), Hex(input).c_str(), Hex(expected).c_str(), Hex(actual).c_str());
  std::abort();
}

inline void ExpectEqual(std::string_view what, std::string_view input, std::string_view expected,
                        std::string_view actual) {
  if (expected != actual) Fail(what, input, expected, actual);
}

// Runs `check` on `text` and on the views of it that start 1 to 3 bytes later
// (other alignments, same end of the heap block) or end 1 to 3 bytes sooner
// (a read past their end then shows up as a wrong byte).
template <typename Check>
void CheckWithShiftedAndCutViews(std::string_view text, Check check) {
  check(text);
  for (std::size_t skip = 1; skip < 4 && skip < text.size(); ++skip) check(text.substr(skip));
  for (std::size_t cut = 1; cut < 4 && cut < text.size(); ++cut) check(text.substr(0, text.size() - cut));
}
