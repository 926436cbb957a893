// linkconv as a function of its arguments and its three streams, so that the
// whole program can run inside another one (the fuzz target) just as it runs
// on its own.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "item_reader.h"

struct ProgramStreams {
  ReadFunction read;  // standard input
  // Writes all of `bytes` and hands them on at once; false on an error, with
  // errno set.
  std::function<bool(std::string_view bytes)> write;
  // Output is handed to `write` in pieces of about this size.
  std::size_t writeSize;
  std::FILE* errors;  // usage errors, failures and notes
};

// Runs linkconv on `arguments`, those after the program name, and returns its
// exit status: 0 when done, 1 on a read or write error, 2 on bad usage.
int RunLinkconv(const std::vector<std::string>& arguments, const ProgramStreams& streams);
