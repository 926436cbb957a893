// linkconv: converts download addresses given as arguments, or read from
// standard input, into one or all of their four forms.
#include <cstdio>

#include "linkconv.h"
#include "terminal.h"

namespace {

bool WriteStandardOutput(std::string_view bytes) {
  return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() && std::fflush(stdout) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  return RunLinkconv(StartProgram(argc, argv), {ReadStandardInput, WriteStandardOutput, stderr});
}
