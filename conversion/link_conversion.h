// Conversion of a download address between its four forms: the original
// address and its Thunder, FlashGet and Xuanfeng (QQ) links.
//
// Every function here works on bytes of one code page: lengths, positions and
// cuts count bytes, and a search ("://", "&", "[FLASHGET]") steps through the
// text character by character, so that it never matches on the second byte of
// a double-byte character.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "code_page.h"

enum class LinkType : int { Original = 0, Thunder = 1, FlashGet = 2, Xuanfeng = 3 };

// Returns `address` in the form `type` asks for; any type other than 1, 2 or 3
// gives the original address. `address` may be in any of the four forms: a
// link is decoded first. The empty address gives the empty text, and so does
// any failure during the conversion, running out of memory included: this
// function never throws. The result is the caller's.
std::string ConvertLink(std::string_view address, LinkType type, const CodePage& codePage = SystemCodePage()) noexcept;

// ConvertLink for callers that convert many addresses into one buffer:
// appends the result to `out` instead of returning it. On any failure `out`
// keeps exactly what it held before. Never throws.
void AppendConvertedLink(std::string& out, std::string_view address, LinkType type,
                         const CodePage& codePage = SystemCodePage()) noexcept;

// The most bytes that the conversion of an address of `size` bytes can take,
// in any form: a link's base64 grows its input by a third, plus the scheme,
// markers and suffix; a decoded link is never longer than the link.
constexpr std::size_t ConvertedLinkBound(std::size_t size) { return 16 + (size + 22) / 3 * 4; }

// ConvertLink into a caller's memory: writes the result at `out`, which must
// have room for ConvertedLinkBound(address.size()) bytes, and returns the end
// of what it wrote. On any failure it writes nothing and returns `out`. Never
// throws.
char* WriteConvertedLink(char* out, std::string_view address, LinkType type,
                         const CodePage& codePage = SystemCodePage()) noexcept;

// The stages of ConvertLink, for tests and benchmarks. They may throw
// std::bad_alloc. The decoders take the whole link, scheme included, and cut
// their result at the first decoded NUL byte.
std::string ToOriginalAddress(std::string_view address, const CodePage& codePage);
std::string DecodeThunderLink(std::string_view link);
std::string DecodeFlashGetLink(std::string_view link, const CodePage& codePage);
std::string DecodeXuanfengLink(std::string_view link);
std::string EncodeThunderLink(std::string_view original);
std::string EncodeFlashGetLink(std::string_view original);
std::string EncodeXuanfengLink(std::string_view original);
