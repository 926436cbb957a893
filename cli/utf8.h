// Byte-level checks of text whose encoding is not known for sure.
#pragma once

#include <string_view>

bool IsAscii(std::string_view bytes);

// True when `bytes` is well-formed UTF-8: shortest forms only, no surrogates,
// nothing above U+10FFFF.
bool IsValidUtf8(std::string_view bytes);
