// Fuzzes linkconv as a whole, through RunLinkconv: its command line, its
// reading of the input in pieces of any size, its output, and what it does
// when a read or a write fails. The locale is fixed to C.UTF-8.
//
// Input layout, three header bytes and then the rest:
//   byte 0  bit 3 clear, free mode: bits 0-2 tell how many arguments follow
//           the header, each ended by a NUL byte; the rest is the input.
//           Bits 5-6: 1 = the input ends with a read error instead of its
//           end, 2 = writing fails once more than byte 1 * 16 bytes are out.
//           bit 3 set, checked mode: the arguments are --raw -0 -t FORM -c CP
//           (no -0 when bit 4 is set) and the rest is the input.
//   byte 1  checked mode: the form (bits 0-2) and the code page (bits 3-4)
//   byte 2  the most bytes that one read hands over; 0: as many as asked
//
// Checked everywhere: the exit status is 0, 1 or 2; 1 exactly when a read or
// a write failed, with a message that says which; bad usage writes nothing
// out and ends with 2; no write is tried after a failed one. In checked mode
// the output is, item for item, ConvertLink of each input item.
#include <cerrno>
#include <clocale>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "link_conversion.h"
#include "linkconv.h"
#include "options.h"

namespace {

constexpr std::size_t HeaderSize = 3;

// Small, so that most inputs cross several output blocks.
constexpr std::size_t WriteSize = 97;

enum class Fault { None, Read, Write };

// Hands out the input in pieces of at most `pieceSize` bytes, then its end or
// a read error.
class PieceSource {
 public:
  PieceSource(std::string_view input, std::size_t pieceSize, bool failAtEnd)
      : input_(input), pieceSize_(pieceSize), failAtEnd_(failAtEnd) {}

  std::ptrdiff_t Read(char* buffer, std::size_t size) {
    if (input_.empty()) {
      if (!failAtEnd_) return 0;
      failed_ = true;
      errno = EIO;
      return -1;
    }
    if (pieceSize_ != 0 && size > pieceSize_) size = pieceSize_;
    if (size > input_.size()) size = input_.size();
    input_.copy(buffer, size);
    input_.remove_prefix(size);
    return static_cast<std::ptrdiff_t>(size);
  }

  bool Failed() const { return failed_; }

 private:
  std::string_view input_;
  std::size_t pieceSize_;
  bool failAtEnd_;
  bool failed_ = false;
};

// Takes the output, and refuses it once more than `limit` bytes would be out.
class LimitedSink {
 public:
  explicit LimitedSink(std::size_t limit) : limit_(limit) {}

  bool Write(std::string_view bytes) {
    if (failed_) writtenAfterFailure_ = true;
    if (failed_ || text_.size() + bytes.size() > limit_) {
      failed_ = true;
      errno = ENOSPC;
      return false;
    }
    text_.append(bytes);
    return true;
  }

  const std::string& Text() const { return text_; }
  bool Failed() const { return failed_; }
  bool WrittenAfterFailure() const { return writtenAfterFailure_; }

 private:
  std::size_t limit_;
  std::string text_;
  bool failed_ = false;
  bool writtenAfterFailure_ = false;
};

struct Outcome {
  int status;
  std::string output;
  std::string errors;
  bool readFailed;
  bool writeFailed;
  bool writtenAfterFailure;
};

Outcome RunProgram(const std::vector<std::string>& arguments, PieceSource& source, LimitedSink& sink) {
  char* errorText = nullptr;
  std::size_t errorSize = 0;
  std::FILE* errors = open_memstream(&errorText, &errorSize);
  if (errors == nullptr) std::abort();
  const int status =
      RunLinkconv(arguments, {[&source](char* buffer, std::size_t size) { return source.Read(buffer, size); },
                              [&sink](std::string_view bytes) { return sink.Write(bytes); }, WriteSize, errors});
  std::fclose(errors);
  Outcome outcome{status,          sink.Text(),   std::string(errorText, errorSize),
                  source.Failed(), sink.Failed(), sink.WrittenAfterFailure()};
  std::free(errorText);
  return outcome;
}

std::string Described(const std::vector<std::string>& arguments, const Outcome& outcome) {
  std::string text = "arguments:";
  for (const std::string& argument : arguments) text += " " + Hex(argument);
  return text + "\nexit status " + std::to_string(outcome.status) + ", standard error:\n" + outcome.errors;
}

void CheckStatus(std::string_view data, const std::vector<std::string>& arguments, const Outcome& outcome) {
  const std::string about = Described(arguments, outcome);
  const bool failedIo = outcome.readFailed || outcome.writeFailed;
  if (outcome.status < 0 || outcome.status > 2) Fail("exit status not 0, 1 or 2; " + about, data, "", "");
  if ((outcome.status == 1) != failedIo)
    Fail("exit status 1 if and only if a read or write failed; " + about, data, "", "");
  if (outcome.writtenAfterFailure) Fail("a write was tried after a failed one; " + about, data, "", "");
  if (outcome.writeFailed && outcome.errors.find("linkconv: cannot write standard output: ") == std::string::npos)
    Fail("no message for the failed write; " + about, data, "", "");
  if (outcome.readFailed && !outcome.writeFailed &&
      outcome.errors.find("linkconv: cannot read standard input: ") == std::string::npos)
    Fail("no message for the failed read; " + about, data, "", "");
  if (ParseCommandLine(arguments).action == Action::Fail && outcome.status != 2)
    Fail("bad usage must end with status 2; " + about, data, "", "");
  if (outcome.status == 2) {
    ExpectEqual("status 2 with output; " + about, data, "", outcome.output);
    if (!outcome.errors.starts_with("linkconv: ")) Fail("status 2 without a message; " + about, data, "", "");
  }
}

void RunFree(std::string_view data, std::size_t argumentCount, Fault fault, std::size_t writeLimit,
             std::size_t pieceSize) {
  std::string_view rest = data.substr(HeaderSize);
  std::vector<std::string> arguments;
  while (arguments.size() < argumentCount && rest.find('\0') != std::string_view::npos) {
    arguments.emplace_back(rest.substr(0, rest.find('\0')));
    rest.remove_prefix(arguments.back().size() + 1);
  }
  const ExactCopy input(rest);
  PieceSource source(input.View(), pieceSize, fault == Fault::Read);
  LimitedSink sink(fault == Fault::Write ? writeLimit : SIZE_MAX);
  CheckStatus(data, arguments, RunProgram(arguments, source, sink));
}

struct FormChoice {
  const char* name;
  LinkType type;
};

constexpr FormChoice Forms[] = {{"original", LinkType::Original},
                                {"thunder", LinkType::Thunder},
                                {"flashget", LinkType::FlashGet},
                                {"qqdl", LinkType::Xuanfeng},
                                {"all", LinkType::Original}};
constexpr std::size_t AllFormsIndex = 4;
constexpr unsigned CodePages[] = {936, 1252, 65001, 437};

// The items of `input` as linkconv frames them.
std::vector<std::string_view> InputItems(std::string_view input, char terminator) {
  std::vector<std::string_view> items;
  while (!input.empty()) {
    const std::size_t end = input.find(terminator);
    std::string_view item = input.substr(0, end);
    input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
    if (terminator == '\n' && end != std::string_view::npos && item.ends_with('\r')) item.remove_suffix(1);
    items.push_back(item);
  }
  return items;
}

// The output items expected for `items`: one each, or with the form "all"
// four labelled ones each and an empty one between blocks.
std::vector<std::string> ExpectedItems(const std::vector<std::string_view>& items, std::size_t form,
                                       const CodePage& codePage) {
  static constexpr std::pair<const char*, LinkType> Labelled[] = {{"original: ", LinkType::Original},
                                                                  {"thunder:  ", LinkType::Thunder},
                                                                  {"flashget: ", LinkType::FlashGet},
                                                                  {"qqdl:     ", LinkType::Xuanfeng}};
  std::vector<std::string> expected;
  for (const std::string_view item : items) {
    if (form != AllFormsIndex) {
      expected.push_back(ConvertLink(item, Forms[form].type, codePage));
      continue;
    }
    if (!expected.empty()) expected.emplace_back();
    for (const auto& [label, type] : Labelled) expected.push_back(label + ConvertLink(item, type, codePage));
  }
  return expected;
}

std::string Joined(const std::vector<std::string>& items, char terminator) {
  std::string text;
  for (const std::string& item : items) text.append(item).push_back(terminator);
  return text;
}

// NUL ends every output item, and no converted item holds a NUL: the output
// splits back into exactly the expected items.
void CompareNulEndedItems(std::string_view input, const std::vector<std::string>& expected, std::string_view output) {
  std::vector<std::string_view> actual;
  for (std::size_t end; (end = output.find('\0')) != std::string_view::npos; output.remove_prefix(end + 1))
    actual.push_back(output.substr(0, end));
  if (!output.empty()) Fail("output does not end with NUL", input, "", output);
  if (actual.size() != expected.size())
    Fail("expected " + std::to_string(expected.size()) + " output items, got " + std::to_string(actual.size()), input,
         Joined(expected, '\0'), Joined(std::vector<std::string>(actual.begin(), actual.end()), '\0'));
  for (std::size_t i = 0; i < expected.size(); ++i)
    ExpectEqual("output item " + std::to_string(i + 1), input, expected[i], actual[i]);
}

void RunChecked(std::string_view data, bool lines, unsigned choice, std::size_t pieceSize) {
  const std::size_t form = (choice & 7) % 5;
  const unsigned codePage = CodePages[(choice >> 3) & 3];
  std::vector<std::string> arguments = {"--raw", "-t", Forms[form].name, "-c", std::to_string(codePage)};
  if (!lines) arguments.insert(arguments.begin(), "-0");
  const ExactCopy input(data.substr(HeaderSize));
  PieceSource source(input.View(), pieceSize, false);
  LimitedSink sink(SIZE_MAX);
  const Outcome outcome = RunProgram(arguments, source, sink);
  const std::string about = Described(arguments, outcome);
  if (outcome.status != 0 || !outcome.errors.empty()) Fail("--raw run not clean; " + about, input.View(), "", "");
  const char terminator = lines ? '\n' : '\0';
  const std::vector<std::string> expected =
      ExpectedItems(InputItems(input.View(), terminator), form, CodePage::FromNumber(codePage));
  if (lines) {
    ExpectEqual("output of " + about, input.View(), Joined(expected, '\n'), outcome.output);
  } else {
    CompareNulEndedItems(input.View(), expected, outcome.output);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (std::setlocale(LC_ALL, "C.UTF-8") == nullptr) {
    std::fprintf(stderr, "fuzz_linkconv: the locale C.UTF-8 is missing\n");
    std::abort();
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < HeaderSize) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const unsigned mode = data[0];
  const std::size_t pieceSize = data[2];
  if (mode & 8) {
    RunChecked(bytes, (mode & 16) != 0, data[1], pieceSize);
  } else {
    const unsigned fault = (mode >> 5) & 3;
    RunFree(bytes, mode & 7,
            fault == 1   ? Fault::Read
            : fault == 2 ? Fault::Write
                         : Fault::None,
            std::size_t{data[1]} * 16, pieceSize);
  }
  return 0;
}
