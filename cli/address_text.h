// The two crossings between the terminal's text and the code page's bytes,
// with the notes on standard error that tell when bytes were kept unchanged.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

#include "terminal.h"

struct TextContext {
  const Transcoder* transcoder;  // none: bytes are taken and shown as they are
  unsigned codePage;
  std::size_t addressNumber;  // counted from 1, for the notes
  std::FILE* notes;
};

// The code-page bytes of an address given as `text`: its transcoding when
// that works, otherwise `text` itself (with a note). The result views `text`
// or `storage`.
std::string_view AddressBytes(std::string_view text, const TextContext& context, std::string& storage);

// The text that shows `bytes`, an original address decoded from a link: ASCII
// as it is; UTF-8 as it is (with a note), unless the code page is UTF-8; text
// of the code page transcoded; anything else as it is (with a note). The
// result views `bytes` or `storage`.
std::string_view DecodedAddressText(std::string_view bytes, const TextContext& context, std::string& storage);
