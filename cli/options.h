// The command line of linkconv: its options, their parsing and its usage text.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link_conversion.h"

struct Options {
  std::optional<LinkType> form;  // none: all four forms, labelled
  unsigned codePage = 936;
  bool raw = false;
  bool nulEnded = false;
  std::vector<std::string> addresses;
};

enum class Action { Convert, ShowHelp, ShowVersion, Fail };

struct ParsedCommandLine {
  Action action = Action::Convert;
  Options options;
  std::string error;  // for Action::Fail: one line naming the problem
};

// Parses the arguments that follow the program name. Options and addresses
// may be mixed; "--" makes every later argument an address. --help and
// --version take effect where they stand, before any later argument is read.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// The synopsis and the list of options.
std::string_view UsageText();

// The usage followed by what the output looks like and how text is handled.
std::string_view HelpText();
