// The crossings between the terminal's text and the code page's bytes. Where
// a crossing is impossible the bytes go through unchanged and a note says so:
// nothing is ever dropped or replaced.
#include "address_text.h"

#include <cstdio>

#include "utf8.h"

namespace {

constexpr unsigned Utf8CodePage = 65001;

}  // namespace

std::string_view AddressBytes(std::string_view text, const TextContext& context, std::string& storage) {
  if (context.transcoder == nullptr) return text;
  if (context.transcoder->ToCodePage(text, storage)) return storage;
  std::fprintf(context.notes,
               "linkconv: address %zu: not representable in code page %u; its bytes are used as they are\n",
               context.addressNumber, context.codePage);
  return text;
}

std::string_view DecodedAddressText(std::string_view bytes, const TextContext& context, std::string& storage) {
  if (context.transcoder == nullptr || IsAscii(bytes)) return bytes;
  if (context.codePage != Utf8CodePage && IsValidUtf8(bytes)) {
    std::fprintf(context.notes, "linkconv: address %zu: decoded address is UTF-8, not code page %u; shown as UTF-8\n",
                 context.addressNumber, context.codePage);
    return bytes;
  }
  if (context.transcoder->ToTerminal(bytes, storage)) return storage;
  std::fprintf(context.notes,
               "linkconv: address %zu: decoded address cannot be transcoded from code page %u; its bytes are "
               "written as they are (see --raw)\n",
               context.addressNumber, context.codePage);
  return bytes;
}
