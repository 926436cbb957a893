// Fuzzes ConvertLink. Input layout: byte 0 picks the code page (even: 936,
// odd: 1252), bytes 1 to 4 are the LinkType as a little-endian int (missing
// bytes are 0), the rest is the address. Beyond not crashing, every link made
// from an address must lead back to the address's original, and a type other
// than 1, 2 or 3 must give that original. WriteConvertedLink must write the
// same bytes, within its bound.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "link_conversion.h"

namespace {

constexpr std::size_t HeaderSize = 5;

int ReadType(const std::uint8_t* data, std::size_t size) {
  std::uint32_t bits = 0;
  for (std::size_t i = 1; i < HeaderSize && i < size; ++i) bits |= std::uint32_t{data[i]} << (8 * (i - 1));
  return static_cast<int>(bits);
}

void CheckRoundTrips(std::string_view address, const std::string& original, const CodePage& codePage) {
  for (int type = 1; type <= 3; ++type) {
    const std::string link = ConvertLink(address, static_cast<LinkType>(type), codePage);
    const std::string back = ConvertLink(link, LinkType::Original, codePage);
    if (back != original)
      Fail("the link of type " + std::to_string(type) + " (" + link + ") does not lead back to the original", address,
           original, back);
  }
}

// The block is exactly the bound, so ASan stops any write past it.
void CheckWrittenInPlace(std::string_view address, int type, const CodePage& codePage, const std::string& expected) {
  const auto block = std::make_unique<char[]>(ConvertedLinkBound(address.size()));
  char* end = WriteConvertedLink(block.get(), address, static_cast<LinkType>(type), codePage);
  ExpectEqual("WriteConvertedLink must write what ConvertLink gives", address, expected, std::string(block.get(), end));
}

void CheckConversion(std::string_view address, int type, const CodePage& codePage) {
  const std::string result = ConvertLink(address, static_cast<LinkType>(type), codePage);
  CheckWrittenInPlace(address, type, codePage, result);
  if (address.empty()) {
    ExpectEqual("the empty address must give the empty text", address, "", result);
    return;
  }
  const std::string original = ToOriginalAddress(address, codePage);
  ExpectEqual("type 0 must give the original", address, original, ConvertLink(address, LinkType::Original, codePage));
  if (type < 1 || type > 3)
    ExpectEqual("type " + std::to_string(type) + " must give the original", address, original, result);
  if (address.find('\0') != std::string_view::npos) return;
  if (original.find('\0') != std::string::npos)
    Fail("the original of an address without NUL holds a NUL", address, "", original);
  CheckRoundTrips(address, original, codePage);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const CodePage Gbk = CodePage::FromNumber(936);
  static const CodePage Latin = CodePage::FromNumber(1252);
  const CodePage& codePage = size > 0 && (data[0] & 1) ? Latin : Gbk;
  const int type = ReadType(data, size);
  const std::size_t skipped = size < HeaderSize ? size : HeaderSize;
  const ExactCopy address(data + skipped, size - skipped);
  CheckConversion(address.View(), type, codePage);
  return 0;
}
