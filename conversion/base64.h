// The base64 codec of the special links: a standard encoder and a lenient
// decoder that never rejects its input.
#pragma once

#include <string>
#include <string_view>

// Encodes `bytes` as standard base64: alphabet characters and "=" padding, four
// characters for every started group of three bytes, no line breaks. An empty
// input gives an empty string. The result is the caller's. Throws only
// std::bad_alloc.
std::string Base64Encode(std::string_view bytes);

// Decodes `text` leniently and returns the decoded bytes, which may hold NUL
// bytes; callers that treat the result as text stop at the first one.
// - CR and LF are skipped where a group of four would begin; inside a group
//   they count as the value 0, like every byte outside the alphabet.
// - "=" ends a group in its third or fourth place, and the next group then
//   begins on that "="; in the first or second place it counts as 0.
// - A group that runs past the end of `text` reads the missing places as 0.
// At most three bytes come out for every started group of four characters.
// Reads nothing outside `text`. Throws only std::bad_alloc.
std::string Base64Decode(std::string_view text);
