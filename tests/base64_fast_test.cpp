// The fast codec loops against the plain reference codecs written from the
// decoder's rules (reference_base64.h): every path must give the same bytes for every input,
// damaged text and inputs that end right at a buffer boundary included.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <string_view>

#include "base64.h"
#include "base64_paths.h"
#include "hex.h"
#include "reference_base64.h"

using namespace std::string_literals;

namespace {

const base64::Path Paths[] = {base64::Path::Scalar, base64::Path::Avx2};

const char* NameOf(base64::Path path) { return path == base64::Path::Scalar ? "scalar" : "avx2"; }

// A copy on the heap of exactly its size, so that the sanitizer build catches
// a read past its end.
class ExactBuffer {
 public:
  explicit ExactBuffer(std::string_view text) : bytes_(new char[text.size()]), size_(text.size()) {
    std::copy(text.begin(), text.end(), bytes_.get());
  }
  std::string_view View() const { return {bytes_.get(), size_}; }

 private:
  std::unique_ptr<char[]> bytes_;
  std::size_t size_;
};

void ExpectDecodesAsReference(std::string_view text) {
  const std::string expected = reference::Base64Decode(text);
  const ExactBuffer buffer(text);
  for (base64::Path path : Paths)
    ASSERT_EQ(Hex(base64::Decode(buffer.View(), path)), Hex(expected)) << NameOf(path) << " path, input " << Hex(text);
}

std::string RandomBytes(std::mt19937& random, std::size_t size) {
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

// Alphabet text with a share of damage: padding, line breaks, NUL, high bytes
// and other bytes outside the alphabet.
std::string DamagedText(std::mt19937& random, std::size_t size, unsigned damagePerMille) {
  const std::string damage = "====\r\n\r\n\0\xff\x80\xd6{-_ ."s;
  std::string text(size, 'A');
  for (char& c : text)
    c = random() % 1000 < damagePerMille ? damage[random() % damage.size()] : reference::Alphabet[random() % 64];
  return text;
}

TEST(Base64Paths, EncodeLikeTheReferenceForEveryLengthUpTo300) {
  std::mt19937 random(5);
  for (std::size_t size = 0; size <= 300; ++size) {
    const std::string bytes = RandomBytes(random, size);
    const std::string expected = reference::Base64Encode(bytes);
    const ExactBuffer buffer(bytes);
    for (base64::Path path : Paths)
      ASSERT_EQ(base64::Encode(buffer.View(), path), expected) << NameOf(path) << " path, input " << Hex(bytes);
  }
}

TEST(Base64Paths, EncodeEveryByteValueInEveryPlaceOfABlock) {
  for (std::size_t place = 0; place < 48; ++place) {
    for (unsigned value = 0; value < 256; ++value) {
      std::string bytes(48, '\x5a');
      bytes[place] = static_cast<char>(value);
      for (base64::Path path : Paths)
        ASSERT_EQ(base64::Encode(bytes, path), reference::Base64Encode(bytes))
            << NameOf(path) << " path, input " << Hex(bytes);
    }
  }
}

TEST(Base64Paths, AppendEncodedMatchesTheEncodingOfTheWholeText) {
  std::mt19937 random(9);
  const std::string text = RandomBytes(random, 40);
  for (std::size_t firstEnd = 0; firstEnd <= text.size(); ++firstEnd) {
    for (std::size_t secondEnd = firstEnd; secondEnd <= text.size(); ++secondEnd) {
      std::string out = "scheme://";
      base64::AppendEncoded(out, std::string_view(text).substr(0, firstEnd),
                            std::string_view(text).substr(firstEnd, secondEnd - firstEnd),
                            std::string_view(text).substr(secondEnd));
      ASSERT_EQ(out, "scheme://" + reference::Base64Encode(text)) << "cuts at " << firstEnd << " and " << secondEnd;
    }
  }
}

// Texts up to 512 bytes are gathered and encoded on the stack; longer ones
// take the piece-by-piece path. Both sides of that length, with cuts at the
// start, in the middle and at the end of the text.
TEST(Base64Paths, AppendEncodedMatchesTheEncodingOfTheWholeTextOnEitherSideOfTheShortLength) {
  std::mt19937 random(11);
  for (std::size_t size : {500u, 510u, 511u, 512u, 513u, 514u, 515u, 530u, 700u, 5000u}) {
    const std::string text = RandomBytes(random, size);
    const std::string expected = "scheme://" + reference::Base64Encode(text);
    for (std::size_t firstEnd : {0u, 1u, 2u, 10u, 16u, 17u, 250u}) {
      for (std::size_t thirdSize : {0u, 1u, 2u, 3u, 10u, 16u, 17u, 250u}) {
        const std::size_t secondEnd = size - thirdSize;
        std::string out = "scheme://";
        base64::AppendEncoded(out, std::string_view(text).substr(0, firstEnd),
                              std::string_view(text).substr(firstEnd, secondEnd - firstEnd),
                              std::string_view(text).substr(secondEnd));
        ASSERT_EQ(out, expected) << "size " << size << ", cuts at " << firstEnd << " and " << secondEnd << ", input "
                                 << Hex(text);
      }
    }
  }
}

TEST(Base64Paths, DecodeCleanAndDamagedTextLikeTheReference) {
  std::mt19937 random(13);
  for (unsigned damage : {0u, 2u, 20u, 100u, 500u}) {
    SCOPED_TRACE("damage per mille " + std::to_string(damage));
    for (std::size_t size = 0; size <= 300; ++size)
      for (int round = 0; round < 8; ++round) ExpectDecodesAsReference(DamagedText(random, size, damage));
    for (std::size_t size : {1000u, 4096u, 65537u}) ExpectDecodesAsReference(DamagedText(random, size, damage));
  }
}

TEST(Base64Paths, DecodeEveryByteValueInEveryPlaceOfARun) {
  std::mt19937 random(17);
  const std::string run = DamagedText(random, 72, 0);
  for (std::size_t place = 0; place < 72; ++place) {
    for (unsigned value = 0; value < 256; ++value) {
      std::string text = run;
      text[place] = static_cast<char>(value);
      ExpectDecodesAsReference(text);
    }
  }
}

TEST(Base64Paths, DecodeSubstringsAtEveryOffsetAndEnd) {
  std::mt19937 random(19);
  for (unsigned damage : {0u, 10u, 200u}) {
    SCOPED_TRACE("damage per mille " + std::to_string(damage));
    const std::string text = DamagedText(random, 160, damage);
    for (std::size_t begin = 0; begin < text.size(); ++begin)
      for (std::size_t end = begin; end <= text.size(); ++end)
        ExpectDecodesAsReference(std::string_view(text).substr(begin, end - begin));
  }
}

TEST(Base64Paths, DecodeWhatTheyEncode) {
  std::mt19937 random(23);
  for (std::size_t size : {0u, 1u, 2u, 23u, 24u, 25u, 95u, 96u, 97u, 100000u}) {
    const std::string bytes = RandomBytes(random, size);
    for (base64::Path path : Paths)
      ASSERT_EQ(Hex(base64::Decode(base64::Encode(bytes, path), path)), Hex(bytes)) << NameOf(path) << " path";
  }
}

TEST(Base64Paths, PublicFunctionsAgreeWithTheReference) {
  std::mt19937 random(29);
  const std::string bytes = RandomBytes(random, 1000);
  const std::string text = DamagedText(random, 1000, 5);
  EXPECT_EQ(Base64Encode(bytes), reference::Base64Encode(bytes)) << Hex(bytes);
  EXPECT_EQ(Hex(Base64Decode(text)), Hex(reference::Base64Decode(text))) << Hex(text);
}

}  // namespace
