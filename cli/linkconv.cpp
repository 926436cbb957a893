// The body of linkconv: parses the command line, then converts every address
// given as an argument, or else every item of the input, into one or all of
// its four forms.
#include "linkconv.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <utility>

#include "address_text.h"
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

// Thrown on the first failed write: nothing more can be done then.
struct WriteFailed {
  int error;
};

// Output is gathered into blocks here: a write for every small piece costs
// more than the conversion itself. Each block is handed on before it would
// outgrow the write size.
class Output {
 public:
  Output(std::function<bool(std::string_view)> write, std::size_t blockSize)
      : write_(std::move(write)),
        blockSize_(std::max<std::size_t>(blockSize, 1)),
        block_(std::make_unique_for_overwrite<char[]>(blockSize_)) {}

  void Write(std::string_view text) {
    if (text.size() > blockSize_ - used_) HandOnPending();
    if (text.size() > blockSize_) {
      HandOn(text);
    } else {
      used_ = static_cast<std::size_t>(std::copy(text.begin(), text.end(), End()) - block_.get());
    }
  }

  // Writes the conversion of `bytes`, made straight in the block.
  void WriteConverted(std::string_view bytes, LinkType type, const CodePage& codePage) {
    const std::size_t bound = ConvertedLinkBound(bytes.size());
    if (bound > blockSize_ - used_) HandOnPending();
    if (bound > blockSize_) {
      Write(ConvertLink(bytes, type, codePage));
    } else {
      used_ = static_cast<std::size_t>(WriteConvertedLink(End(), bytes, type, codePage) - block_.get());
    }
  }

  // Hands on everything written so far.
  void Flush() { HandOnPending(); }

 private:
  char* End() { return block_.get() + used_; }

  void HandOn(std::string_view text) {
    if (!write_(text)) throw WriteFailed{errno};
  }

  void HandOnPending() {
    if (used_ == 0) return;
    HandOn({block_.get(), used_});
    used_ = 0;
  }

  std::function<bool(std::string_view)> write_;
  std::size_t blockSize_;
  std::unique_ptr<char[]> block_;
  std::size_t used_ = 0;
};

class Converter {
 public:
  Converter(const Options& options, const Transcoder* transcoder, Output& output, std::FILE* notes)
      : options_(options),
        codePage_(CodePage::FromNumber(options.codePage)),
        outputTranscoder_(options.raw ? nullptr : transcoder),
        output_(output),
        notes_(notes) {}

  // Converts one address given as `text`; `inputTranscoder` turns it into
  // code-page bytes, or is null when it is those bytes already.
  void Convert(std::string_view text, const Transcoder* inputTranscoder) {
    ++addressNumber_;
    const std::string_view bytes = AddressBytes(text, Context(inputTranscoder), bytes_);
    if (options_.form) {
      WriteForm(*options_.form, text, bytes);
      return;
    }
    if (addressNumber_ > 1) output_.Write(Terminator());
    for (const FormLabel& form : AllForms) {
      output_.Write(form.label);
      WriteForm(form.type, text, bytes);
    }
  }

 private:
  std::string_view Terminator() const { return options_.nulEnded ? std::string_view("\0", 1) : "\n"; }

  TextContext Context(const Transcoder* transcoder) const {
    return {transcoder, options_.codePage, addressNumber_, notes_};
  }

  // Writes one form of the address and its terminator. Links are ASCII; an
  // original address is shown as given when the address was one already.
  void WriteForm(LinkType type, std::string_view text, std::string_view bytes) {
    if (type != LinkType::Original || outputTranscoder_ == nullptr) {
      output_.WriteConverted(bytes, type, codePage_);
      output_.Write(Terminator());
      return;
    }
    const std::string converted = ConvertLink(bytes, type, codePage_);
    if (converted == bytes) {
      output_.Write(text);
    } else {
      output_.Write(DecodedAddressText(converted, Context(outputTranscoder_), shown_));
    }
    output_.Write(Terminator());
  }

  const Options& options_;
  const CodePage codePage_;
  const Transcoder* outputTranscoder_;
  Output& output_;
  std::FILE* notes_;
  std::size_t addressNumber_ = 0;
  std::string bytes_;  // storage for the current address's transcoded forms
  std::string shown_;
};

// Converts every item of the input; returns the errno of a failed read.
int ConvertInput(Converter& converter, const Options& options, const Transcoder* transcoder, const ReadFunction& read,
                 Output& output) {
  ItemReader reader(options.nulEnded ? '\0' : '\n', read, [&output] { output.Flush(); });
  std::string_view item;
  while (reader.Next(item)) {
    if (!options.nulEnded && reader.LastWasTerminated() && !item.empty() && item.back() == '\r') item.remove_suffix(1);
    converter.Convert(item, options.raw ? nullptr : transcoder);
  }
  return reader.ReadError();
}

int Convert(const Options& options, const ProgramStreams& streams, Output& output) {
  std::unique_ptr<Transcoder> transcoder;
  const bool argumentsNeedIt = !ArgumentsAreBytes() && !options.addresses.empty();
  if (!options.raw || argumentsNeedIt) {
    transcoder = Transcoder::Open(options.codePage);
    if (transcoder == nullptr) {
      std::fprintf(streams.errors, "linkconv: code page %u cannot be transcoded on this system; try --raw\n",
                   options.codePage);
      return ExitUsage;
    }
  }
  Converter converter(options, transcoder.get(), output, streams.errors);
  if (!options.addresses.empty()) {
    const Transcoder* argumentTranscoder = options.raw && ArgumentsAreBytes() ? nullptr : transcoder.get();
    for (const std::string& address : options.addresses) converter.Convert(address, argumentTranscoder);
  } else if (const int error = ConvertInput(converter, options, transcoder.get(), streams.read, output); error != 0) {
    output.Flush();
    std::fprintf(streams.errors, "linkconv: cannot read standard input: %s\n", std::strerror(error));
    return ExitIoError;
  }
  output.Flush();
  return 0;
}

int Run(const ParsedCommandLine& parsed, const ProgramStreams& streams, Output& output) {
  switch (parsed.action) {
    case Action::ShowHelp:
      output.Write(UsageText());
      output.Write(HelpText());
      output.Flush();
      return 0;
    case Action::ShowVersion:
      output.Write("linkconv " LINKCONV_VERSION_TEXT "\n");
      output.Flush();
      return 0;
    case Action::Fail:
      std::fprintf(streams.errors, "linkconv: %s\n%.*s", parsed.error.c_str(), static_cast<int>(UsageText().size()),
                   UsageText().data());
      return ExitUsage;
    case Action::Convert:
      break;
  }
  return Convert(parsed.options, streams, output);
}

}  // namespace

int RunLinkconv(const std::vector<std::string>& arguments, const ProgramStreams& streams) {
  Output output(streams.write, streams.writeSize);
  try {
    return Run(ParseCommandLine(arguments), streams, output);
  } catch (const WriteFailed& failure) {
    std::fprintf(streams.errors, "linkconv: cannot write standard output: %s\n", std::strerror(failure.error));
    return ExitIoError;
  }
}
