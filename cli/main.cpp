// linkconv: converts download addresses given as arguments, or read from
// standard input, into one or all of their four forms.
#include <cstdio>

#include "linkconv.h"
#include "terminal.h"

int main(int argc, char** argv) {
  std::vector<std::string> arguments = StartProgram(argc, argv);
  return RunLinkconv(arguments, {ReadStandardInput, WriteStandardOutput, PrepareStandardOutput(), stderr});
}
