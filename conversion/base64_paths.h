// The codec's inner entry points, for the link conversion, the tests and the
// benchmarks. Base64Encode and Base64Decode take the best path the processor
// offers; these let a caller pick the path, so that each one can be checked
// against the others on any machine, and let the link conversion encode
// several pieces straight into a text it already holds.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace base64 {

enum class Path {
  Scalar,  // plain C++, on every machine
  Avx2,    // 32 characters at a time; falls back to Scalar where the processor lacks AVX2
};

// The length of the base64 of `bytes` bytes.
constexpr std::size_t EncodedSize(std::size_t bytes) { return (bytes + 2) / 3 * 4; }

// The path Base64Encode and Base64Decode take on this processor.
Path BestPath();

std::string Encode(std::string_view bytes, Path path);
std::string Decode(std::string_view text, Path path);

// Appends the base64 of first + second + third (as one text of bytes) to `out`,
// exactly as Base64Encode gives it for their concatenation.
void AppendEncoded(std::string& out, std::string_view first, std::string_view second = {}, std::string_view third = {});

// Like AppendEncoded, into `out`, which has room for the whole encoding.
// Returns the end of what was written.
char* EncodeJoined(char* out, std::string_view first, std::string_view second, std::string_view third);

}  // namespace base64
