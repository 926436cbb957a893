// linkconv: converts download addresses given as arguments, or read from
// standard input, into one or all of their four forms.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "address_text.h"
#include "item_reader.h"
#include "link_conversion.h"
#include "options.h"
#include "terminal.h"
#include "version.h"

namespace {

constexpr int ExitIoError = 1;
constexpr int ExitUsage = 2;

struct FormLabel {
  LinkType type;
  std::string_view label;
};

constexpr FormLabel AllForms[] = {
    {LinkType::Original, "original: "},
    {LinkType::Thunder, "thunder:  "},
    {LinkType::FlashGet, "flashget: "},
    {LinkType::Xuanfeng, "qqdl:     "},
};

[[noreturn]] void FailWriting() {
  std::fprintf(stderr, "linkconv: cannot write standard output: %s\n", std::strerror(errno));
  std::exit(ExitIoError);
}

// Output is gathered into blocks here: a call of fwrite for every small piece
// costs more than the conversion itself.
constexpr std::size_t OutputBlockSize = std::size_t{1} << 16;
std::string pendingOutput;

void WriteThrough(std::string_view text) {
  if (!text.empty() && std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) FailWriting();
}

void FlushOutput() {
  WriteThrough(pendingOutput);
  pendingOutput.clear();
  if (std::fflush(stdout) != 0) FailWriting();
}

void Write(std::string_view text) {
  if (pendingOutput.size() + text.size() > OutputBlockSize) {
    WriteThrough(pendingOutput);
    pendingOutput.clear();
  }
  if (text.size() > OutputBlockSize) {
    WriteThrough(text);
  } else {
    pendingOutput.append(text);
  }
}

class Converter {
 public:
  Converter(const Options& options, const Transcoder* transcoder)
      : options_(options),
        codePage_(CodePage::FromNumber(options.codePage)),
        outputTranscoder_(options.raw ? nullptr : transcoder) {}

  // Converts one address given as `text`; `inputTranscoder` turns it into
  // code-page bytes, or is null when it is those bytes already.
  void Convert(std::string_view text, const Transcoder* inputTranscoder) {
    ++addressNumber_;
    const std::string_view bytes = AddressBytes(text, {inputTranscoder, options_.codePage, addressNumber_}, bytes_);
    if (options_.form) {
      WriteForm(*options_.form, text, bytes);
      return;
    }
    if (addressNumber_ > 1) Write(Terminator());
    for (const FormLabel& form : AllForms) {
      Write(form.label);
      WriteForm(form.type, text, bytes);
    }
  }

 private:
  std::string_view Terminator() const { return options_.nulEnded ? std::string_view("\0", 1) : "\n"; }

  // Writes one form of the address and its terminator. Links are ASCII; an
  // original address is shown as given when the address was one already.
  void WriteForm(LinkType type, std::string_view text, std::string_view bytes) {
    const std::string converted = ConvertLink(bytes, type, codePage_);
    if (type != LinkType::Original || outputTranscoder_ == nullptr) {
      Write(converted);
    } else if (converted == bytes) {
      Write(text);
    } else {
      Write(DecodedAddressText(converted, {outputTranscoder_, options_.codePage, addressNumber_}, shown_));
    }
    Write(Terminator());
  }

  const Options& options_;
  const CodePage codePage_;
  const Transcoder* outputTranscoder_;
  std::size_t addressNumber_ = 0;
  std::string bytes_;  // storage for the current address's transcoded forms
  std::string shown_;
};

// Converts every item of standard input; returns the errno of a failed read.
int ConvertStandardInput(Converter& converter, const Options& options, const Transcoder* transcoder) {
  ItemReader reader(options.nulEnded ? '\0' : '\n', FlushOutput);
  std::string_view item;
  while (reader.Next(item)) {
    if (!options.nulEnded && reader.LastWasTerminated() && !item.empty() && item.back() == '\r') item.remove_suffix(1);
    converter.Convert(item, options.raw ? nullptr : transcoder);
  }
  return reader.ReadError();
}

int ShowText(std::string_view text) {
  Write(text);
  FlushOutput();
  return 0;
}

int Run(const Options& options) {
  std::unique_ptr<Transcoder> transcoder;
  const bool argumentsNeedIt = !ArgumentsAreBytes() && !options.addresses.empty();
  if (!options.raw || argumentsNeedIt) {
    transcoder = Transcoder::Open(options.codePage);
    if (transcoder == nullptr) {
      std::fprintf(stderr, "linkconv: code page %u cannot be transcoded on this system; try --raw\n", options.codePage);
      return ExitUsage;
    }
  }
  Converter converter(options, transcoder.get());
  if (!options.addresses.empty()) {
    const Transcoder* argumentTranscoder = options.raw && ArgumentsAreBytes() ? nullptr : transcoder.get();
    for (const std::string& address : options.addresses) converter.Convert(address, argumentTranscoder);
  } else if (const int error = ConvertStandardInput(converter, options, transcoder.get()); error != 0) {
    FlushOutput();
    std::fprintf(stderr, "linkconv: cannot read standard input: %s\n", std::strerror(error));
    return ExitIoError;
  }
  FlushOutput();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const ParsedCommandLine parsed = ParseCommandLine(StartProgram(argc, argv));
  switch (parsed.action) {
    case Action::ShowHelp:
      Write(UsageText());
      return ShowText(HelpText());
    case Action::ShowVersion:
      return ShowText("linkconv " LINKCONV_VERSION_TEXT "\n");
    case Action::Fail:
      std::fprintf(stderr, "linkconv: %s\n%.*s", parsed.error.c_str(), static_cast<int>(UsageText().size()),
                   UsageText().data());
      return ExitUsage;
    case Action::Convert:
      break;
  }
  return Run(parsed.options);
}
