// The codec: standard encoding, and the lenient decoder's rules for line
// breaks, padding, foreign bytes and the end of the input.
#include "base64.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "hex.h"

using namespace std::string_literals;

namespace {

struct CodecCase {
  const char* what;
  std::string bytes;
  std::string text;
};

// Both directions hold for these: encoding gives the text, decoding gives the bytes back.
const CodecCase RoundTripCases[] = {
    {"empty", "", ""},
    {"one byte", "a", "YQ=="},
    {"two bytes", "ab", "YWI="},
    {"three bytes", "abc", "YWJj"},
    {"every 6-bit value",
     "\x00\x10\x83\x10\x51\x87\x20\x92\x8b\x30\xd3\x8f\x41\x14\x93\x51\x55\x97\x61\x96\x9b\x71\xd7\x9f\x82\x18\xa3\x92\x59\xa7\xa2\x9a\xab\xb2\xdb\xaf\xc3\x1c\xb3\xd3\x5d\xb7\xe3\x9e\xbb\xf3\xdf\xbf"s,
     "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"},
    {"high bytes", "\xff\xfe\xfd\x80", "//79gA=="},
    {"GBK text", "\xd6\xd0\xce\xc4", "1tDOxA=="},
};

TEST(Base64, EncodesAndDecodesStandardBase64) {
  for (const auto& c : RoundTripCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Base64Encode(c.bytes), c.text);
    EXPECT_EQ(Hex(Base64Decode(c.text)), Hex(c.bytes));
  }
}

struct DecodeCase {
  const char* what;
  std::string text;
  std::string bytes;
};

const DecodeCase LenientDecodeCases[] = {
    {"CR LF between groups is skipped", "YWJj\r\nYWJj", "abcabc"},
    {"lone LF and CR between groups", "YWJj\nYWJj\rYQ==", "abcabca"},
    {"CR LF at the start", "\r\nYWJj", "abc"},
    {"CR LF inside a group counts as zeros", "YW\r\nYWJj",
     "\x61\x60\x00"
     "abc"s},
    {"second group begins on the '='", "YQ==YWJj", "a\x00\x06\x16"s},
    {"'=' in the first place is zero", "=WJj", "\x01\x62\x63"s},
    {"'=' in the second place is zero", "Y=Jj", "\x60\x02\x63"s},
    {"'=' in the fourth place ends the group", "YWI=", "ab"},
    {"'-' is zero", "YW-j", "\x61\x60\x23"},
    {"'_' and space are zero", "Y_ j", "\x60\x00\x23"s},
    {"bytes 123 to 255 are zero", "Y{\xff\x80", "\x60\x00\x00"s},
    {"NUL inside the input is zero", "Y\0Jj"s, "\x60\x02\x63"s},
    {"one character: the end reads as zero", "Y", "\x60\x00\x00"s},
    {"two characters", "YW", "\x61\x60\x00"s},
    {"three characters", "YWJ", "ab\x40"},
    {"five characters", "YWJjY", "abc\x60\x00\x00"s},
    {"all zero decodes to NULs", "AAAA", "\x00\x00\x00"s},
    {"line break alone", "\r\n", ""},
    {"'=' alone", "=", "\x00\x00\x00"s},
    {"'==' alone", "==", "\x00\x00\x00"s},
    {"'=' run after a full group", "YWJj====", "abc\x00"s},
};

TEST(Base64, DecodesDamagedTextByItsRules) {
  for (const auto& c : LenientDecodeCases) {
    SCOPED_TRACE(c.what);
    SCOPED_TRACE(Hex(c.text));
    EXPECT_EQ(Hex(Base64Decode(c.text)), Hex(c.bytes));
  }
}

TEST(Base64, NeverEmitsMoreThanThreeBytesPerStartedGroup) {
  std::mt19937 random(7);
  const std::string alphabet = "AZaz09+/=\r\n-\x00\xff"s;
  for (int round = 0; round < 2000; ++round) {
    std::string text(random() % 40, ' ');
    for (char& c : text) c = alphabet[random() % alphabet.size()];
    EXPECT_LE(Base64Decode(text).size(), (text.size() + 3) / 4 * 3) << Hex(text);
  }
}

TEST(Base64, RoundTripsRandomBytes) {
  std::mt19937 random(11);
  for (int round = 0; round < 2000; ++round) {
    std::string bytes(random() % 100, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    const std::string text = Base64Encode(bytes);
    ASSERT_EQ(text.size(), (bytes.size() + 2) / 3 * 4);
    ASSERT_EQ(Base64Decode(text), bytes) << Hex(bytes);
  }
}

}  // namespace
