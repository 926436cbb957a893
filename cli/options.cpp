// Parsing of linkconv's command line, in the manner of getopt_long: short
// options may be combined ("-r0") and take their value attached ("-tqqdl") or
// as the next argument; long ones take it after "=" or as the next argument.
#include "options.h"

#include <algorithm>
#include <array>

namespace {

struct OptionSpec {
  char key;
  std::string_view name;
  bool takesValue;
};

constexpr std::array<OptionSpec, 6> OptionSpecs = {{
    {'t', "to", true},
    {'c', "code-page", true},
    {'r', "raw", false},
    {'0', "null", false},
    {'h', "help", false},
    {'V', "version", false},
}};

// Code pages that both glibc's iconv and Windows convert.
bool IsKnownCodePage(unsigned number) {
  static constexpr std::array<unsigned, 19> Listed = {437, 850, 852, 855, 857,   860,   861,   862,   863,  865,
                                                      866, 869, 874, 936, 20866, 21866, 28603, 28605, 65001};
  return std::find(Listed.begin(), Listed.end(), number) != Listed.end() || (number >= 1250 && number <= 1258) ||
         (number >= 28591 && number <= 28599);
}

std::optional<unsigned> ParseCodePage(std::string_view text) {
  if (text.empty() || text.size() > 5) return std::nullopt;
  unsigned number = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    number = number * 10 + static_cast<unsigned>(c - '0');
  }
  if (!IsKnownCodePage(number)) return std::nullopt;
  return number;
}

bool EqualsIgnoringCase(std::string_view text, std::string_view lowerCase) {
  return text.size() == lowerCase.size() && std::equal(text.begin(), text.end(), lowerCase.begin(), [](char a, char b) {
           return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
         });
}

// Sets `form`; false when `text` names no form.
bool ParseForm(std::string_view text, std::optional<LinkType>& form) {
  static constexpr std::array<std::pair<std::string_view, LinkType>, 4> Forms = {{
      {"original", LinkType::Original},
      {"thunder", LinkType::Thunder},
      {"flashget", LinkType::FlashGet},
      {"qqdl", LinkType::Xuanfeng},
  }};
  if (EqualsIgnoringCase(text, "all")) {
    form.reset();
    return true;
  }
  for (const auto& [name, type] : Forms) {
    if (EqualsIgnoringCase(text, name)) {
      form = type;
      return true;
    }
  }
  return false;
}

const OptionSpec* FindByKey(char key) {
  for (const OptionSpec& option : OptionSpecs)
    if (option.key == key) return &option;
  return nullptr;
}

const OptionSpec* FindByName(std::string_view name) {
  for (const OptionSpec& option : OptionSpecs)
    if (option.name == name) return &option;
  return nullptr;
}

std::string Quoted(std::string_view text) {
  std::string quoted(1, '\'');
  return quoted.append(text).append(1, '\'');
}

// Carries out one option; fills result.action and result.error as needed.
void ApplyOption(char key, std::string_view value, ParsedCommandLine& result) {
  Options& options = result.options;
  switch (key) {
    case 't':
      if (!ParseForm(value, options.form)) result = {Action::Fail, {}, "unknown form " + Quoted(value)};
      break;
    case 'c':
      if (auto number = ParseCodePage(value)) {
        options.codePage = *number;
      } else {
        result = {Action::Fail, {}, "unknown code page " + Quoted(value)};
      }
      break;
    case 'r':
      options.raw = true;
      break;
    case '0':
      options.nulEnded = true;
      break;
    case 'h':
      result.action = Action::ShowHelp;
      break;
    case 'V':
      result.action = Action::ShowVersion;
      break;
  }
}

// Handles "--name" or "--name=value"; `next` is the index of the following
// argument, moved on when it is taken as the value.
void ParseLongOption(const std::vector<std::string>& arguments, std::size_t& next, ParsedCommandLine& result) {
  const std::string_view argument = arguments[next - 1];
  const std::size_t equals = argument.find('=');
  const std::string_view name = argument.substr(2, equals == std::string_view::npos ? argument.npos : equals - 2);
  const OptionSpec* option = FindByName(name);
  if (option == nullptr) {
    result = {Action::Fail, {}, "unknown option " + Quoted(argument.substr(0, equals))};
  } else if (!option->takesValue && equals != std::string_view::npos) {
    result = {Action::Fail, {}, "option " + Quoted(argument.substr(0, equals)) + " takes no value"};
  } else if (!option->takesValue) {
    ApplyOption(option->key, {}, result);
  } else if (equals != std::string_view::npos) {
    ApplyOption(option->key, argument.substr(equals + 1), result);
  } else if (next < arguments.size()) {
    ApplyOption(option->key, arguments[next++], result);
  } else {
    result = {Action::Fail, {}, "option " + Quoted(argument) + " needs a value"};
  }
}

// Handles one or more short options in one argument, such as "-r0" or "-tqqdl".
void ParseShortOptions(const std::vector<std::string>& arguments, std::size_t& next, ParsedCommandLine& result) {
  const std::string_view argument = arguments[next - 1];
  for (std::size_t i = 1; i < argument.size() && result.action == Action::Convert; ++i) {
    const OptionSpec* option = FindByKey(argument[i]);
    if (option == nullptr) {
      result = {Action::Fail, {}, "unknown option " + Quoted(std::string("-") + argument[i])};
    } else if (!option->takesValue) {
      ApplyOption(option->key, {}, result);
    } else if (i + 1 < argument.size()) {
      ApplyOption(option->key, argument.substr(i + 1), result);
      return;
    } else if (next < arguments.size()) {
      ApplyOption(option->key, arguments[next++], result);
    } else {
      result = {Action::Fail, {}, "option " + Quoted(std::string("-") + argument[i]) + " needs a value"};
    }
  }
}

}  // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  ParsedCommandLine result;
  bool optionsEnded = false;
  for (std::size_t next = 0; next < arguments.size() && result.action == Action::Convert;) {
    const std::string& argument = arguments[next++];
    if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
      result.options.addresses.push_back(argument);
    } else if (argument == "--") {
      optionsEnded = true;
    } else if (argument[1] == '-') {
      ParseLongOption(arguments, next, result);
    } else {
      ParseShortOptions(arguments, next, result);
    }
  }
  return result;
}

std::string_view UsageText() {
  return R"(Usage: linkconv [OPTION]... [ADDRESS]...
Converts download addresses between their original form and their thunder://,
Flashget:// and qqdl:// links. Without ADDRESS, reads one address per line
from standard input.

  -t, --to=FORM          all (default), original, thunder, flashget or qqdl
  -c, --code-page=CP     936 (default), 65001, or a single-byte code page such
                         as 1252 (437, 850, 852, 855, 857, 860-863, 865, 866,
                         869, 874, 1250-1258, 20866, 21866, 28591-28599,
                         28603, 28605)
  -r, --raw              no transcoding: arguments, input and output are the
                         code page's bytes as they are
  -0, --null             items on standard input and output end with a NUL
                         byte instead of a newline
  -h, --help             show this help and exit
  -V, --version          show the version and exit
)";
}

std::string_view HelpText() {
  return R"(
Input: a CR right before a LF is dropped, and a last line without LF counts.
With -0 items end with NUL and nothing is dropped.

Output: with one FORM, one line (or NUL-ended item) per address: the result,
or an empty line where the result is empty. With "all", a block per address,
blocks separated by an empty line:
  original: http://server/file.zip
  thunder:  thunder://...
  flashget: Flashget://...&1926
  qqdl:     qqdl://...
With -0 every line of a block ends with NUL, and so does the empty line.

Text: links carry the code page's bytes. An address is transcoded into the
code page from the terminal's encoding: the locale's on Linux; on Windows the
command line's characters, and UTF-8 on standard input and output. One that
is not valid there, or holds a character the code page lacks, keeps its
bytes, with a note on standard error. An address given in its original form
is shown as given. One decoded from a link is shown as it is when ASCII; as
UTF-8 when it is UTF-8 rather than text of the code page (with a note);
transcoded when it is text of the code page; otherwise with its bytes
unchanged (with a note). No byte is ever dropped or replaced. --raw
transcodes nothing, both ways (arguments on Windows still are).

Exit status: 0 when done, 1 on a read or write error, 2 on bad usage.
)";
}
