// Base64 encoder and lenient decoder.
//
// The decoder's rules live in DecodeStep, which takes one step of the lenient
// loop: a skipped line break or one group of up to four characters. Most text
// is a long run of plain groups (four alphabet characters, wholly inside the
// text), and those decode the same under every rule, so the fast loops take
// whole runs of them and hand every other group to DecodeStep. The encoder has
// no such rules: its fast loops cover whole groups of three bytes and the last
// one or two bytes get the padding.
//
// The AVX2 loops are compiled for that instruction set alone and are entered
// only when the processor reports it; everything else is portable C++.
#include "base64.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "base64_paths.h"

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#define LINKCONV_AVX2_PATH 1
#include <immintrin.h>
#else
#define LINKCONV_AVX2_PATH 0
#endif

namespace {

using Byte = unsigned char;

constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The 6-bit value of every byte: its place in the alphabet, and 0 for every
// byte outside it ("=", CR, LF, NUL and bytes 123 to 255 included).
constexpr std::array<std::uint8_t, 256> MakeDecodingTable() {
  std::array<std::uint8_t, 256> table{};
  for (std::uint8_t value = 0; value < 64; ++value) table[static_cast<Byte>(Alphabet[value])] = value;
  return table;
}

constexpr std::array<std::uint8_t, 256> DecodingTable = MakeDecodingTable();

// The two characters for every 12-bit value.
constexpr std::array<std::array<char, 2>, 4096> MakePairTable() {
  std::array<std::array<char, 2>, 4096> table{};
  for (std::size_t value = 0; value < 4096; ++value) table[value] = {Alphabet[value >> 6], Alphabet[value & 63]};
  return table;
}

constexpr auto EncodedPairs = MakePairTable();

// One table per place in a group, each holding the value already shifted to
// its place; a byte outside the alphabet sets a bit no value reaches.
constexpr std::uint32_t NotInAlphabet = 1u << 24;

constexpr std::array<std::uint32_t, 256> MakePlaceTable(unsigned shift) {
  std::array<std::uint32_t, 256> table{};
  table.fill(NotInAlphabet);
  for (std::uint32_t value = 0; value < 64; ++value) table[static_cast<Byte>(Alphabet[value])] = value << shift;
  return table;
}

constexpr auto Place0 = MakePlaceTable(18);
constexpr auto Place1 = MakePlaceTable(12);
constexpr auto Place2 = MakePlaceTable(6);
constexpr auto Place3 = MakePlaceTable(0);

using base64::EncodedSize;

// Encodes `groups` whole groups of three bytes; returns the end of the output.
char* EncodeGroupsScalar(const Byte* in, std::size_t groups, char* out) {
  // Two groups from one 8-byte read while a third group follows them.
  for (; groups >= 3; groups -= 2, in += 6, out += 8) {
    std::uint64_t block = 0;
    for (int i = 0; i < 8; ++i) block = (block << 8) | in[i];
    std::memcpy(out, EncodedPairs[block >> 52].data(), 2);
    std::memcpy(out + 2, EncodedPairs[(block >> 40) & 0xfff].data(), 2);
    std::memcpy(out + 4, EncodedPairs[(block >> 28) & 0xfff].data(), 2);
    std::memcpy(out + 6, EncodedPairs[(block >> 16) & 0xfff].data(), 2);
  }
  for (; groups > 0; --groups, in += 3, out += 4) {
    const std::uint32_t block = (std::uint32_t{in[0]} << 16) | (std::uint32_t{in[1]} << 8) | in[2];
    std::memcpy(out, EncodedPairs[block >> 12].data(), 2);
    std::memcpy(out + 2, EncodedPairs[block & 0xfff].data(), 2);
  }
  return out;
}

// The last one or two bytes, padded with "=".
char* EncodeTail(const Byte* in, std::size_t left, char* out) {
  if (left == 0) return out;
  const std::uint32_t block = (std::uint32_t{in[0]} << 16) | (left == 2 ? std::uint32_t{in[1]} << 8 : 0);
  out[0] = Alphabet[block >> 18];
  out[1] = Alphabet[(block >> 12) & 63];
  out[2] = left == 2 ? Alphabet[(block >> 6) & 63] : '=';
  out[3] = '=';
  return out + 4;
}

// Decodes at most `groups` groups of four characters and stops before the
// first one that holds a character outside the alphabet. Returns the number
// of groups decoded.
std::size_t DecodePlainGroupsScalar(const Byte* in, std::size_t groups, Byte* out) {
  std::size_t done = 0;
  for (; done < groups; ++done, in += 4, out += 3) {
    const std::uint32_t block = Place0[in[0]] | Place1[in[1]] | Place2[in[2]] | Place3[in[3]];
    if (block & NotInAlphabet) break;
    out[0] = static_cast<Byte>(block >> 16);
    out[1] = static_cast<Byte>(block >> 8);
    out[2] = static_cast<Byte>(block);
  }
  return done;
}

// One step of the lenient decoder at read position p, with n characters
// counted so far (a group counts four even when "=" cuts it short).
void DecodeStep(const Byte* in, std::size_t length, std::size_t& p, std::size_t& n, Byte*& o) {
  // Places at or past the end read as 0, never as "=".
  auto at = [&](std::size_t place) -> unsigned { return place < length ? in[place] : 0u; };
  const unsigned first = in[p];
  if (first == '\r' || first == '\n') {
    ++p;
    ++n;
    return;
  }
  n += 4;
  std::uint32_t acc = (std::uint32_t{DecodingTable[first]} << 18) | (std::uint32_t{DecodingTable[at(p + 1)]} << 12);
  *o++ = static_cast<Byte>(acc >> 16);
  p += 2;
  if (at(p) == '=') return;
  acc |= std::uint32_t{DecodingTable[at(p)]} << 6;
  *o++ = static_cast<Byte>(acc >> 8);
  ++p;
  if (at(p) == '=') return;
  *o++ = static_cast<Byte>(acc | DecodingTable[at(p)]);
  ++p;
}

#if LINKCONV_AVX2_PATH

// Encodes the first 12 bytes of each 16-byte lane of `bytes` into 32
// characters. The bit shuffling follows Wojciech Mula's vectorised encoder.
__attribute__((target("avx2"))) inline void EncodeLanesAvx2(__m256i bytes, char* out) {
  const __m256i spread = _mm256_setr_epi8(1, 0, 2, 1, 4, 3, 5, 4, 7, 6, 8, 7, 10, 9, 11, 10,  //
                                          1, 0, 2, 1, 4, 3, 5, 4, 7, 6, 8, 7, 10, 9, 11, 10);
  // Added to a character class: 0 for 26..51, 1..10 for digits, 11 "+", 12 "/", 13 for 0..25.
  const __m256i offsets = _mm256_setr_epi8(71, -4, -4, -4, -4, -4, -4, -4, -4, -4, -4, -19, -16, 65, 0, 0,  //
                                           71, -4, -4, -4, -4, -4, -4, -4, -4, -4, -4, -19, -16, 65, 0, 0);
  bytes = _mm256_shuffle_epi8(bytes, spread);
  const __m256i ac =
      _mm256_mulhi_epu16(_mm256_and_si256(bytes, _mm256_set1_epi32(0x0fc0fc00)), _mm256_set1_epi32(0x04000040));
  const __m256i bd =
      _mm256_mullo_epi16(_mm256_and_si256(bytes, _mm256_set1_epi32(0x003f03f0)), _mm256_set1_epi32(0x01000010));
  const __m256i values = _mm256_or_si256(ac, bd);
  __m256i classes = _mm256_subs_epu8(values, _mm256_set1_epi8(51));
  const __m256i upper = _mm256_cmpgt_epi8(_mm256_set1_epi8(26), values);
  classes = _mm256_or_si256(classes, _mm256_and_si256(upper, _mm256_set1_epi8(13)));
  const __m256i text = _mm256_add_epi8(values, _mm256_shuffle_epi8(offsets, classes));
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), text);
}

// Encodes the whole groups of `size` bytes, eight at a time. Returns the
// number of groups encoded.
__attribute__((target("avx2"))) std::size_t EncodeGroupsAvx2(const Byte* in, std::size_t size, char* out) {
  const std::size_t groups = size / 3;
  std::size_t done = 0;
  // Each step reads 28 bytes: 16 at the start of its 24 and 16 at 12.
  for (; 3 * done + 28 <= size; done += 8) {
    const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 3 * done));
    const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 3 * done + 12));
    EncodeLanesAvx2(_mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1), out + 4 * done);
  }
  // Up to nine groups are left. The last eight go once more, read as the 32
  // bytes that end with them, so that a short text needs no group-by-group tail.
  if (groups - done >= 2 && 3 * groups >= 32) {
    if (groups - done == 9) EncodeGroupsScalar(in + 3 * done, 1, out + 4 * done);
    const __m256i last = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + 3 * groups - 32));
    EncodeLanesAvx2(_mm256_permutevar8x32_epi32(last, _mm256_setr_epi32(2, 3, 4, 0, 5, 6, 7, 0)),
                    out + 4 * (groups - 8));
    done = groups;
  }
  return done;
}

// Decodes 32 characters into 24 bytes when all of them are in the alphabet;
// returns false, writing nothing, when any is not. The range check and the
// packing follow Wojciech Mula's and Daniel Lemire's AVX2 decoder.
__attribute__((target("avx2"))) inline bool DecodeBlockAvx2(const Byte* in, Byte* out) {
  const __m256i lowNibbleClass =
      _mm256_setr_epi8(0x15, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x13, 0x1A, 0x1B, 0x1B, 0x1B, 0x1A,
                       0x15, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x13, 0x1A, 0x1B, 0x1B, 0x1B, 0x1A);
  const __m256i highNibbleClass =
      _mm256_setr_epi8(0x10, 0x10, 0x01, 0x02, 0x04, 0x08, 0x04, 0x08, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10,
                       0x10, 0x10, 0x01, 0x02, 0x04, 0x08, 0x04, 0x08, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10);
  const __m256i shiftByHighNibble = _mm256_setr_epi8(0, 16, 19, 4, -65, -65, -71, -71, 0, 0, 0, 0, 0, 0, 0, 0,  //
                                                     0, 16, 19, 4, -65, -65, -71, -71, 0, 0, 0, 0, 0, 0, 0, 0);
  const __m256i gather = _mm256_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1,  //
                                          2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
  const __m256i text = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in));
  const __m256i highNibbles = _mm256_and_si256(_mm256_srli_epi32(text, 4), _mm256_set1_epi8(0x0f));
  const __m256i lowNibbles = _mm256_and_si256(text, _mm256_set1_epi8(0x0f));
  const __m256i classes = _mm256_and_si256(_mm256_shuffle_epi8(lowNibbleClass, lowNibbles),
                                           _mm256_shuffle_epi8(highNibbleClass, highNibbles));
  if (!_mm256_testz_si256(classes, classes)) return false;
  const __m256i isSlash = _mm256_cmpeq_epi8(text, _mm256_set1_epi8('/'));
  const __m256i shift = _mm256_shuffle_epi8(shiftByHighNibble, _mm256_add_epi8(isSlash, highNibbles));
  const __m256i values = _mm256_add_epi8(text, shift);
  const __m256i pairs = _mm256_maddubs_epi16(values, _mm256_set1_epi32(0x01400140));
  const __m256i blocks = _mm256_madd_epi16(pairs, _mm256_set1_epi32(0x00011000));
  const __m256i bytes =
      _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(blocks, gather), _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm256_castsi256_si128(bytes));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 16), _mm256_extracti128_si256(bytes, 1));
  return true;
}

// Like DecodePlainGroupsScalar, eight groups at a time.
__attribute__((target("avx2"))) std::size_t DecodePlainGroupsAvx2(const Byte* in, std::size_t groups, Byte* out) {
  std::size_t done = 0;
  while (groups - done >= 8 && DecodeBlockAvx2(in + 4 * done, out + 3 * done)) done += 8;
  // Fewer than eight left after plain blocks only: the last eight groups once
  // more, the earlier of them already known to be plain.
  if (const std::size_t left = groups - done; left >= 2 && left < 8 && done > 0) {
    if (DecodeBlockAvx2(in + 4 * (groups - 8), out + 3 * (groups - 8))) done = groups;
  }
  return done + DecodePlainGroupsScalar(in + 4 * done, groups - done, out + 3 * done);
}

bool ProcessorHasAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") != 0;
}

#endif

base64::Path Usable(base64::Path path) { return path == base64::Path::Avx2 ? base64::BestPath() : path; }

// Encodes `size` bytes into EncodedSize(size) characters at `out`; returns their end.
char* EncodeInto(const Byte* in, std::size_t size, char* out, base64::Path path) {
  const std::size_t groups = size / 3;
  std::size_t done = 0;
#if LINKCONV_AVX2_PATH
  if (path == base64::Path::Avx2 && size >= 32) done = EncodeGroupsAvx2(in, size, out);
#else
  (void)path;
#endif
  out = EncodeGroupsScalar(in + 3 * done, groups - done, out + 4 * done);
  return EncodeTail(in + 3 * groups, size - 3 * groups, out);
}

std::size_t DecodePlainGroups(const Byte* in, std::size_t groups, Byte* out, base64::Path path) {
#if LINKCONV_AVX2_PATH
  if (path == base64::Path::Avx2) return DecodePlainGroupsAvx2(in, groups, out);
#else
  (void)path;
#endif
  return DecodePlainGroupsScalar(in, groups, out);
}

}  // namespace

base64::Path base64::BestPath() {
#if LINKCONV_AVX2_PATH
  static const bool hasAvx2 = ProcessorHasAvx2();
  return hasAvx2 ? Path::Avx2 : Path::Scalar;
#else
  return Path::Scalar;
#endif
}

std::string base64::Encode(std::string_view bytes, Path path) {
  std::string out(EncodedSize(bytes.size()), '\0');
  EncodeInto(reinterpret_cast<const Byte*>(bytes.data()), bytes.size(), out.data(), Usable(path));
  return out;
}

char* base64::EncodeJoined(char* out, std::string_view first, std::string_view second, std::string_view third) {
  const Path path = BestPath();
  auto encode = [&](std::string_view bytes) {
    out = EncodeInto(reinterpret_cast<const Byte*>(bytes.data()), bytes.size(), out, path);
  };
  // A short text, such as a download address, is gathered on the stack and
  // encoded in one call, into a stack buffer too: measured, that and a copy
  // beat encoding straight into `out`.
  constexpr std::size_t ShortText = 512;
  if (const std::size_t size = first.size() + second.size() + third.size(); size <= ShortText) {
    char joined[ShortText];
    std::copy(third.begin(), third.end(),
              std::copy(second.begin(), second.end(), std::copy(first.begin(), first.end(), joined)));
    char encoded[EncodedSize(ShortText)];
    const char* end = EncodeInto(reinterpret_cast<const Byte*>(joined), size, encoded, path);
    return std::copy(static_cast<const char*>(encoded), end, out);
  }
  // The groups that straddle two pieces are gathered here: `first` with the
  // head of `second`, and the rest of `second` with `third`.
  constexpr std::size_t ShortPiece = 16;
  char joint[2 * ShortPiece + 2];
  const std::size_t headTake = (3 - first.size() % 3) % 3;
  if (first.size() > ShortPiece || third.size() > ShortPiece || second.size() < headTake) {
    encode(std::string(first).append(second).append(third));
    return out;
  }
  std::copy(first.begin(), first.end(), joint);
  std::copy_n(second.begin(), headTake, joint + first.size());
  encode({joint, first.size() + headTake});
  second.remove_prefix(headTake);
  const std::size_t whole = second.size() / 3 * 3;
  encode(second.substr(0, whole));
  second.remove_prefix(whole);
  std::copy(second.begin(), second.end(), joint);
  std::copy(third.begin(), third.end(), joint + second.size());
  encode({joint, second.size() + third.size()});
  return out;
}

void base64::AppendEncoded(std::string& out, std::string_view first, std::string_view second, std::string_view third) {
  const std::size_t start = out.size();
  out.resize(start + EncodedSize(first.size() + second.size() + third.size()));
  EncodeJoined(out.data() + start, first, second, third);
}

std::string base64::Decode(std::string_view text, Path path) {
  path = Usable(path);
  const auto* in = reinterpret_cast<const Byte*>(text.data());
  const std::size_t length = text.size();
  std::string out((length + 3) / 4 * 3, '\0');
  auto* o = reinterpret_cast<Byte*>(out.data());
  std::size_t p = 0;  // read position
  std::size_t n = 0;  // characters counted, as DecodeStep counts them
  while (n < length) {
    // A plain group decodes the same in either loop as long as it begins
    // while n < length and ends inside the text; n never falls behind p.
    const std::size_t groups = std::min((length - p) / 4, (length - n + 3) / 4);
    const std::size_t plain = DecodePlainGroups(in + p, groups, o, path);
    p += 4 * plain;
    n += 4 * plain;
    o += 3 * plain;
    if (n < length) DecodeStep(in, length, p, n, o);
  }
  out.resize(static_cast<std::size_t>(o - reinterpret_cast<Byte*>(out.data())));
  return out;
}

std::string Base64Encode(std::string_view bytes) { return base64::Encode(bytes, base64::BestPath()); }

std::string Base64Decode(std::string_view text) { return base64::Decode(text, base64::BestPath()); }
