// The link formats, as produced:
//   Thunder   "thunder://"  + base64("AA" + address + "ZZ")
//   FlashGet  "Flashget://" + base64("[FLASHGET]" + address + "[FLASHGET]") + "&1926"
//   Xuanfeng  "qqdl://"     + base64(address)
// On input the scheme is matched in any letter case.
#include "link_conversion.h"

#include <algorithm>
#include <cstring>

#include "base64.h"
#include "base64_paths.h"

namespace {

constexpr std::string_view ThunderScheme = "thunder://";
constexpr std::string_view FlashGetScheme = "flashget://";
constexpr std::string_view XuanfengScheme = "qqdl://";
constexpr std::string_view FlashGetMarker = "[FLASHGET]";
constexpr std::string_view FlashGetMadeScheme = "Flashget://";  // the letter case links are made with
constexpr std::string_view FlashGetSuffix = "&1926";

// The first place where `needle` begins a character of `text`, or npos. A lead
// byte takes the byte after it along, whatever that byte is. A plain byte
// search gives the answer whenever no lead byte comes before its match, so the
// walk from character to character starts only at the first lead byte.
std::size_t FindInCodePage(std::string_view text, std::string_view needle, const CodePage& codePage) {
  const std::size_t match = text.find(needle);
  if (match == std::string_view::npos || !codePage.HasLeadBytes()) return match;
  std::size_t i = 0;
  while (i < match && !codePage.IsLeadByte(static_cast<unsigned char>(text[i]))) ++i;
  if (i == match) return match;
  while (i + needle.size() <= text.size()) {
    if (text.compare(i, needle.size(), needle) == 0) return i;
    i += codePage.IsLeadByte(static_cast<unsigned char>(text[i])) ? 2u : 1u;
  }
  return std::string_view::npos;
}

bool EqualsIgnoringAsciiCase(std::string_view text, std::string_view lowerCase) {
  if (text.size() != lowerCase.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != lowerCase[i]) return false;
  }
  return true;
}

// The decoded payload as the text a caller sees: up to the first NUL byte.
std::string DecodePayload(std::string_view payload) {
  std::string decoded = Base64Decode(payload);
  decoded.resize(std::strlen(decoded.c_str()));
  return decoded;
}

bool IsLinkForm(LinkType type) {
  return type == LinkType::Thunder || type == LinkType::FlashGet || type == LinkType::Xuanfeng;
}

// Writes scheme + base64(before + original + after) + suffix at `out`;
// returns the end of what was written.
char* WriteWrapped(char* out, std::string_view scheme, std::string_view before, std::string_view original,
                   std::string_view after, std::string_view suffix) {
  out = std::copy(scheme.begin(), scheme.end(), out);
  out = base64::EncodeJoined(out, before, original, after);
  return std::copy(suffix.begin(), suffix.end(), out);
}

// Writes `original` in the form `type` asks for, at `out`, which has room for
// FormSize(original.size(), type) bytes; returns the end of what was written.
char* WriteForm(char* out, std::string_view original, LinkType type) {
  switch (type) {
    case LinkType::Thunder:
      return original.empty() ? out : WriteWrapped(out, ThunderScheme, "AA", original, "ZZ", "");
    case LinkType::FlashGet:
      return WriteWrapped(out, FlashGetMadeScheme, FlashGetMarker, original, FlashGetMarker, FlashGetSuffix);
    case LinkType::Xuanfeng:
      return original.empty() ? out : WriteWrapped(out, XuanfengScheme, "", original, "", "");
    default:
      return std::copy(original.begin(), original.end(), out);
  }
}

// The exact size of `original` in the form `type` asks for.
std::size_t FormSize(std::size_t originalSize, LinkType type) {
  using base64::EncodedSize;
  switch (type) {
    case LinkType::Thunder:
      return originalSize == 0 ? 0 : ThunderScheme.size() + EncodedSize(originalSize + 4);
    case LinkType::FlashGet:
      return FlashGetMadeScheme.size() + EncodedSize(originalSize + 2 * FlashGetMarker.size()) + FlashGetSuffix.size();
    case LinkType::Xuanfeng:
      return originalSize == 0 ? 0 : XuanfengScheme.size() + EncodedSize(originalSize);
    default:
      return originalSize;
  }
}

// Appends `original` in the form `type` asks for to `out`.
void AppendForm(std::string& out, std::string_view original, LinkType type) {
  if (!IsLinkForm(type)) {
    out.append(original);  // no need to size the text first
    return;
  }
  const std::size_t before = out.size();
  out.resize(before + FormSize(original.size(), type));
  WriteForm(out.data() + before, original, type);
}

std::string InForm(std::string_view original, LinkType type) {
  std::string out;
  AppendForm(out, original, type);
  return out;
}

}  // namespace

std::string DecodeThunderLink(std::string_view link) {
  std::string decoded = DecodePayload(link.substr(ThunderScheme.size()));
  if (decoded.size() <= 4) return {};
  decoded.pop_back();
  decoded.pop_back();
  return decoded.erase(0, 2);
}

std::string DecodeFlashGetLink(std::string_view link, const CodePage& codePage) {
  std::string_view payload = link.substr(FlashGetScheme.size());
  if (const std::size_t amp = FindInCodePage(payload, "&", codePage); amp != std::string_view::npos && amp > 0)
    payload = payload.substr(0, amp);
  std::string decoded = DecodePayload(payload);
  const std::size_t marker = FindInCodePage(decoded, FlashGetMarker, codePage);
  if (marker == std::string_view::npos) return decoded;
  const std::size_t begin = marker + FlashGetMarker.size();
  if (begin >= decoded.size() - FlashGetMarker.size()) return {};
  decoded.resize(decoded.size() - FlashGetMarker.size());
  return decoded.erase(0, begin);
}

std::string DecodeXuanfengLink(std::string_view link) { return DecodePayload(link.substr(XuanfengScheme.size())); }

std::string EncodeThunderLink(std::string_view original) { return InForm(original, LinkType::Thunder); }

std::string EncodeFlashGetLink(std::string_view original) { return InForm(original, LinkType::FlashGet); }

std::string EncodeXuanfengLink(std::string_view original) { return InForm(original, LinkType::Xuanfeng); }

namespace {

bool BeginsWithLinkScheme(std::string_view address) {
  // Most addresses are told apart by their first letter ("h" of "http").
  const char first = address.empty() ? '\0' : static_cast<char>(address[0] | 0x20);
  if (first != 't' && first != 'f' && first != 'q') return false;
  for (const std::string_view scheme : {ThunderScheme, FlashGetScheme, XuanfengScheme})
    if (EqualsIgnoringAsciiCase(address.substr(0, scheme.size()), scheme)) return true;
  return false;
}

// Decodes `address` into `decoded` when it is a Thunder, FlashGet or Xuanfeng
// link; returns false, leaving `decoded` alone, when it is none.
bool DecodeLink(std::string_view address, const CodePage& codePage, std::string& decoded) {
  // A link's scheme is all of the address up to its first "://", so an address
  // that begins with no link scheme is no link: no search needed.
  if (!BeginsWithLinkScheme(address)) return false;
  const std::size_t separator = FindInCodePage(address, "://", codePage);
  if (separator == std::string_view::npos || separator == 0) return false;
  const std::string_view scheme = address.substr(0, separator + 3);
  if (EqualsIgnoringAsciiCase(scheme, ThunderScheme))
    decoded = DecodeThunderLink(address);
  else if (EqualsIgnoringAsciiCase(scheme, FlashGetScheme))
    decoded = DecodeFlashGetLink(address, codePage);
  else if (EqualsIgnoringAsciiCase(scheme, XuanfengScheme))
    decoded = DecodeXuanfengLink(address);
  else
    return false;
  return true;
}

// The original address behind `address`: its decoding, kept in `decoded`, when
// it is a link, or else the address itself.
std::string_view OriginalOf(std::string_view address, const CodePage& codePage, std::string& decoded) {
  return DecodeLink(address, codePage, decoded) ? std::string_view(decoded) : address;
}

}  // namespace

std::string ToOriginalAddress(std::string_view address, const CodePage& codePage) {
  std::string decoded;
  if (DecodeLink(address, codePage, decoded)) return decoded;
  return std::string(address);
}

char* WriteConvertedLink(char* out, std::string_view address, LinkType type, const CodePage& codePage) noexcept {
  try {
    if (address.empty()) return out;
    std::string decoded;
    return WriteForm(out, OriginalOf(address, codePage, decoded), type);
  } catch (...) {
    return out;
  }
}

void AppendConvertedLink(std::string& out, std::string_view address, LinkType type, const CodePage& codePage) noexcept {
  const std::size_t before = out.size();
  try {
    if (address.empty()) return;
    std::string decoded;
    AppendForm(out, OriginalOf(address, codePage, decoded), type);
  } catch (...) {
    out.resize(before);
  }
}

std::string ConvertLink(std::string_view address, LinkType type, const CodePage& codePage) noexcept {
  std::string converted;
  AppendConvertedLink(converted, address, type, codePage);
  return converted;
}
