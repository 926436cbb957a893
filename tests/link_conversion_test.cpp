// Conversion between the four forms under a double-byte code page (936) and a
// single-byte one (1252).
#include "link_conversion.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>
#include <vector>

#include "hex.h"

using namespace std::string_literals;

namespace {

const CodePage Gbk = CodePage::FromNumber(936);
const CodePage Latin = CodePage::FromNumber(1252);

struct FormsCase {
  const char* what;
  std::string input;
  std::array<std::string, 4> forms;  // by LinkType
};

const std::array<std::string, 4> ServerFile = {
    "http://server/file.zip", "thunder://QUFodHRwOi8vc2VydmVyL2ZpbGUuemlwWlo=",
    "Flashget://W0ZMQVNIR0VUXWh0dHA6Ly9zZXJ2ZXIvZmlsZS56aXBbRkxBU0hHRVRd&1926",
    "qqdl://aHR0cDovL3NlcnZlci9maWxlLnppcA=="};

const std::array<std::string, 4> EmptyOriginal = {"", "", "Flashget://W0ZMQVNIR0VUXVtGTEFTSEdFVF0=&1926", ""};

// These hold under both code pages: none of them has a byte above 0x7F.
const FormsCase AsciiCases[] = {
    {"original address", ServerFile[0], ServerFile},
    {"thunder link", ServerFile[1], ServerFile},
    {"flashget link", ServerFile[2], ServerFile},
    {"qqdl link", ServerFile[3], ServerFile},
    {"scheme in capitals", "THUNDER://QUFodHRwOi8vc2VydmVyL2ZpbGUuemlwWlo=", ServerFile},
    {"scheme in mixed case", "FlashGet://W0ZMQVNIR0VUXWh0dHA6Ly9zZXJ2ZXIvZmlsZS56aXBbRkxBU0hHRVRd", ServerFile},
    {"qqdl in capitals", "QQDL://aHR0cDovL3NlcnZlci9maWxlLnppcA==", ServerFile},
    {"flashget without suffix", "Flashget://W0ZMQVNIR0VUXWh0dHA6Ly9zZXJ2ZXIvZmlsZS56aXBbRkxBU0hHRVRd", ServerFile},
    {"flashget with another suffix", "flashget://W0ZMQVNIR0VUXWh0dHA6Ly9zZXJ2ZXIvZmlsZS56aXBbRkxBU0hHRVRd&x&y",
     ServerFile},
    {"thunder link with line breaks", "thunder://QUFodHRwOi8vc2Vy\r\ndmVyL2ZpbGUuemlwWlo=", ServerFile},
    {"no scheme",
     "abc",
     {"abc", "thunder://QUFhYmNaWg==", "Flashget://W0ZMQVNIR0VUXWFiY1tGTEFTSEdFVF0=&1926", "qqdl://YWJj"}},
    {"'://' at the start",
     "://abc",
     {"://abc", "thunder://QUE6Ly9hYmNaWg==", "Flashget://W0ZMQVNIR0VUXTovL2FiY1tGTEFTSEdFVF0=&1926",
      "qqdl://Oi8vYWJj"}},
    {"leading space is no scheme",
     " thunder://QUFhYmNaWg==",
     {" thunder://QUFhYmNaWg==", "thunder://QUEgdGh1bmRlcjovL1FVRmhZbU5hV2c9PVpa",
      "Flashget://W0ZMQVNIR0VUXSB0aHVuZGVyOi8vUVVGaFltTmFXZz09W0ZMQVNIR0VUXQ==&1926",
      "qqdl://IHRodW5kZXI6Ly9RVUZoWW1OYVdnPT0="}},
    {"thunder scheme alone", "thunder://", EmptyOriginal},
    {"flashget scheme alone", "Flashget://", EmptyOriginal},
    {"qqdl scheme alone", "qqdl://", EmptyOriginal},
    {"thunder payload of four bytes", "thunder://QUFaWg==", EmptyOriginal},
    {"thunder payload without wrapper loses two bytes each end",
     "thunder://YWJjZGVm",
     {"cd", "thunder://QUFjZFpa", "Flashget://W0ZMQVNIR0VUXWNkW0ZMQVNIR0VUXQ==&1926", "qqdl://Y2Q="}},
    {"thunder payload cut by a decoded NUL", "thunder://QUEAYWJj", EmptyOriginal},
    {"flashget payload without marker is kept whole",
     "flashget://YWJj&1926",
     {"abc", "thunder://QUFhYmNaWg==", "Flashget://W0ZMQVNIR0VUXWFiY1tGTEFTSEdFVF0=&1926", "qqdl://YWJj"}},
    {"flashget '&' at the start is decoded with the rest",
     "flashget://&YWJj",
     {"\x01\x85\x89\x8c", "thunder://QUEBhYmMWlo=", "Flashget://W0ZMQVNIR0VUXQGFiYxbRkxBU0hHRVRd&1926",
      "qqdl://AYWJjA=="}},
    {"flashget closing marker too close gives empty",
     "flashget://W0ZMQVNIR0VUXWFi",  // "[FLASHGET]ab"
     EmptyOriginal},
    {"flashget closing bytes dropped whatever they are",
     "flashget://W0ZMQVNIR0VUXWFiYzAxMjM0NTY3ODk=",  // "[FLASHGET]abc0123456789"
     {"abc", "thunder://QUFhYmNaWg==", "Flashget://W0ZMQVNIR0VUXWFiY1tGTEFTSEdFVF0=&1926", "qqdl://YWJj"}},
    {"other scheme passes through",
     "ed2k://|file|a|1|x|/",
     {"ed2k://|file|a|1|x|/", "thunder://QUFlZDJrOi8vfGZpbGV8YXwxfHh8L1pa",
      "Flashget://W0ZMQVNIR0VUXWVkMms6Ly98ZmlsZXxhfDF8eHwvW0ZMQVNIR0VUXQ==&1926",
      "qqdl://ZWQyazovL3xmaWxlfGF8MXx4fC8="}},
};

void ExpectForms(const std::string& input, const std::array<std::string, 4>& forms, const CodePage& codePage) {
  for (int type = 0; type < 4; ++type) {
    SCOPED_TRACE("type " + std::to_string(type) + ", input " + Hex(input));
    EXPECT_EQ(ConvertLink(input, static_cast<LinkType>(type), codePage), forms[static_cast<std::size_t>(type)]);
  }
}

TEST(ConvertLink, GivesTheFourFormsUnderBothCodePages) {
  for (const auto& c : AsciiCases) {
    SCOPED_TRACE(c.what);
    ExpectForms(c.input, c.forms, Gbk);
    ExpectForms(c.input, c.forms, Latin);
  }
}

TEST(AppendConvertedLink, AddsTheFormToWhatTheBufferHeld) {
  for (const auto& c : AsciiCases) {
    SCOPED_TRACE(c.what);
    for (int type = 0; type < 4; ++type) {
      std::string buffer = "held before|";
      AppendConvertedLink(buffer, c.input, static_cast<LinkType>(type), Gbk);
      EXPECT_EQ(buffer, "held before|" + c.forms[static_cast<std::size_t>(type)]) << "type " << type;
    }
  }
}

TEST(WriteConvertedLink, WritesTheFormWithinItsBound) {
  // Addresses around the encoder's short-text length, and their links, which
  // the conversion decodes first.
  std::vector<std::string> inputs;
  for (std::size_t size : {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{40}, std::size_t{490},
                           std::size_t{491}, std::size_t{492}, std::size_t{493}, std::size_t{1000}}) {
    std::string address = "http://a/" + std::string(size, '\xB0');
    for (int type = 0; type < 4; ++type) inputs.push_back(ConvertLink(address, static_cast<LinkType>(type), Gbk));
    inputs.push_back("thunder://" + std::string(size, 'Q'));
    inputs.push_back("flashget://" + std::string(size, '/'));
  }
  constexpr char Guard = '\x5A';
  for (const std::string& input : inputs) {
    for (int type = 0; type < 4; ++type) {
      SCOPED_TRACE("type " + std::to_string(type) + ", input of " + std::to_string(input.size()) + " bytes");
      const std::size_t bound = ConvertedLinkBound(input.size());
      std::string block(bound + 8, Guard);
      char* end = WriteConvertedLink(block.data(), input, static_cast<LinkType>(type), Gbk);
      EXPECT_EQ(std::string(block.data(), end), ConvertLink(input, static_cast<LinkType>(type), Gbk));
      EXPECT_EQ(block.substr(bound), std::string(8, Guard));
    }
  }
}

TEST(ConvertLink, EmptyAddressGivesEmptyForEveryType) {
  for (int type : {0, 1, 2, 3, -1, 4, 1000}) EXPECT_EQ(ConvertLink("", static_cast<LinkType>(type), Gbk), "");
}

TEST(ConvertLink, UnknownTypeGivesTheOriginal) {
  for (int type : {-1, 4, 99}) EXPECT_EQ(ConvertLink(ServerFile[1], static_cast<LinkType>(type), Gbk), ServerFile[0]);
}

struct CodePageCase {
  const char* what;
  std::string input;
  std::string gbkOriginal;
  std::string latinOriginal;
};

// Where the lead-byte rule decides: a byte 0x81-0xFE takes the next one along
// under 936, never under 1252.
const CodePageCase LeadByteCases[] = {
    {"'://' hidden behind a lead byte", "x\xB0://y", "x\xB0://y", "x\xB0://y"},
    {"scheme after a lead byte is not a scheme",
     "\xB0thunder://QUFhYmNaWg==", "\xB0thunder://QUFhYmNaWg==", "\xB0thunder://QUFhYmNaWg=="},
    {"lead byte swallows the ':' of thunder's '://'",
     "thunder\xB0://QUFhYmNaWg==", "thunder\xB0://QUFhYmNaWg==", "thunder\xB0://QUFhYmNaWg=="},
    // Payload: B0 "[FLASHGET]abc[FLASHGET]"
    {"marker behind a lead byte", "flashget://sFtGTEFTSEdFVF1hYmNbRkxBU0hHRVRd&1926", "", "abc"},
    // Payload: "[FLASHGET]" D6 D0 "[FLASHGET]"
    {"GBK character inside the markers", "flashget://W0ZMQVNIR0VUXdbQW0ZMQVNIR0VUXQ==&1926", "\xD6\xD0", "\xD6\xD0"},
    // Payload: "[FLASHGET]a" B0 "[FLASHGET]", the B0 now last-but-ten.
    {"lead byte before the closing marker", "flashget://W0ZMQVNIR0VUXWGwW0ZMQVNIR0VUXQ==", "a\xB0", "a\xB0"},
    // Link text: a GBK character whose second byte is '&' is no cut under 936.
    {"'&' as the second byte of a character is no cut", "flashget://YWJ\x81&wAA", "ab\x40\x03", "ab\x40"},
    {"lead byte at the very end", "flashget://W0ZMQVNIR0VUXWFiY1tGTEFTSEdFVF0=\xB0", "abc", "abc"},
    {"GBK address passes through", "\xD6\xD0\xCE\xC4", "\xD6\xD0\xCE\xC4", "\xD6\xD0\xCE\xC4"},
};

TEST(ConvertLink, StepsOverDoubleByteCharactersOnlyUnder936) {
  for (const auto& c : LeadByteCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Hex(ConvertLink(c.input, LinkType::Original, Gbk)), Hex(c.gbkOriginal));
    EXPECT_EQ(Hex(ConvertLink(c.input, LinkType::Original, Latin)), Hex(c.latinOriginal));
  }
}

TEST(ConvertLink, EncodesGbkBytesAsTheyAre) {
  const std::string address = "http://\xD6\xD0\xCE\xC4/a.zip";
  EXPECT_EQ(ConvertLink(address, LinkType::Xuanfeng, Gbk), "qqdl://aHR0cDovL9bQzsQvYS56aXA=");
  EXPECT_EQ(ConvertLink(address, LinkType::Thunder, Gbk), "thunder://QUFodHRwOi8v1tDOxC9hLnppcFpa");
}

TEST(ConvertLink, EveryLinkLeadsBackToItsAddress) {
  std::mt19937 random(3);
  for (const CodePage* codePage : {&Gbk, &Latin}) {
    for (int round = 0; round < 3000; ++round) {
      std::string address(1 + random() % 60, 'x');
      for (char& c : address) c = static_cast<char>(1 + random() % 255);
      for (int type = 1; type <= 3; ++type) {
        const std::string link = ConvertLink(address, static_cast<LinkType>(type), *codePage);
        ASSERT_EQ(Hex(ConvertLink(link, LinkType::Original, *codePage)), Hex(ToOriginalAddress(address, *codePage)))
            << "type " << type << " link " << link;
      }
    }
  }
}

// The original address by the rules written out plainly: the scheme is all
// up to the first "://" that begins a character, matched in any letter case.
std::string ReferenceOriginal(const std::string& address, const CodePage& codePage) {
  for (std::size_t i = 0; i + 3 <= address.size();
       i += codePage.IsLeadByte(static_cast<unsigned char>(address[i])) ? 2 : 1) {
    if (address.compare(i, 3, "://") != 0) continue;
    std::string scheme = address.substr(0, i + 3);
    for (char& c : scheme)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (scheme == "thunder://") return DecodeThunderLink(address);
    if (scheme == "flashget://") return DecodeFlashGetLink(address, codePage);
    if (scheme == "qqdl://") return DecodeXuanfengLink(address);
    return address;
  }
  return address;
}

// Addresses that begin like a link, or nearly so, under code pages where the
// scheme's own letters may be lead bytes.
TEST(ConvertLink, TakesAsLinksWhatThePlainRulesTakeAsLinks) {
  std::array<bool, 256> letterLeads{};
  for (char c : "thunderflashgetqqdlTHUNDERFLASHGETQQDL"s) letterLeads[static_cast<unsigned char>(c)] = true;
  std::array<bool, 256> colonLead{};
  colonLead[':'] = true;
  const CodePage codePages[] = {Gbk, Latin, CodePage::WithLeadBytes(1, letterLeads),
                                CodePage::WithLeadBytes(2, colonLead)};
  const std::string starts[] = {"thunder://",
                                "THUNDER://",
                                "tHuNdEr://",
                                "thunder:/",
                                "thunder//",
                                "thunde://",
                                "thunderr://",
                                "xthunder://",
                                " thunder://",
                                "\xB0thunder://",
                                "thunder\xB0://",
                                "flashget://",
                                "FLASHGET://",
                                "Flashget://",
                                "flashge://",
                                "flashget:/",
                                "flashgets://",
                                "qqdl://",
                                "QqDl://",
                                "qqd://",
                                "qqdl:/",
                                "qqdl:://",
                                "qq\xB0"
                                "dl://",
                                "qqdl\xB0://",
                                "http://",
                                "ftp://",
                                "f://",
                                "t://",
                                "q://",
                                "://",
                                "",
                                "thunder",
                                "qqdl:",
                                "flashget:"};
  const std::string rests[] = {"QUFhYmNaWg==",           "W0ZMQVNIR0VUXWFiY1tGTEFTSEdFVF0=&1926", "YWJj", "", "x://y",
                               "\xD6\xD0://QUFhYmNaWg=="};
  for (const CodePage& codePage : codePages) {
    for (const std::string& start : starts) {
      for (const std::string& rest : rests) {
        const std::string address = start + rest;
        const std::string expected = ReferenceOriginal(address, codePage);
        ASSERT_EQ(Hex(ConvertLink(address, LinkType::Original, codePage)), Hex(expected))
            << "code page " << codePage.Number() << ", input " << Hex(address);
        ASSERT_EQ(ConvertLink(address, LinkType::Thunder, codePage), EncodeThunderLink(expected))
            << "code page " << codePage.Number() << ", input " << Hex(address);
      }
    }
  }
}

TEST(CodePage, KnowsTheLeadBytesOfGbkAndNoneOfSingleByteOrUtf8) {
  for (unsigned byte = 0; byte < 256; ++byte) {
    EXPECT_EQ(Gbk.IsLeadByte(static_cast<unsigned char>(byte)), byte >= 0x81 && byte <= 0xFE) << byte;
    EXPECT_FALSE(Latin.IsLeadByte(static_cast<unsigned char>(byte)));
    EXPECT_FALSE(CodePage::FromNumber(65001).IsLeadByte(static_cast<unsigned char>(byte)));
  }
}

}  // namespace
