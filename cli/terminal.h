// What linkconv needs from the platform: its arguments, raw reads of standard
// input, and text conversion between the terminal's encoding and a code page.
// On Linux the terminal's encoding is the locale's; on Windows it is UTF-8 for
// standard input and output, and arguments come from the wide command line.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Sets the streams up for byte-exact use (binary mode, no SIGPIPE, the
// locale) and returns the arguments after the program name.
std::vector<std::string> StartProgram(int argc, char** argv);

// True where arguments arrive as bytes that --raw may take as they are; false
// where they are wide text and always need turning into code-page bytes.
bool ArgumentsAreBytes();

// Reads what standard input has at hand, at most `size` bytes, waiting only
// when nothing is there. Returns 0 at the end and -1 on an error (errno set).
std::ptrdiff_t ReadStandardInput(char* buffer, std::size_t size);

// Readies standard output for large writes and returns the size of write
// that keeps it flowing best.
std::size_t PrepareStandardOutput();

// Writes all of `bytes` to standard output, unbuffered. Returns false on an
// error (errno set).
bool WriteStandardOutput(std::string_view bytes);

// Conversions between the terminal's encoding and one code page. A conversion
// fails, leaving `out` unspecified, when its input is not valid in its source
// encoding or holds a character that the target does not have.
class Transcoder {
 public:
  // A transcoder for `codePage`, or nullptr when the system cannot convert it.
  static std::unique_ptr<Transcoder> Open(unsigned codePage);
  ~Transcoder();

  bool ToCodePage(std::string_view text, std::string& out) const;
  bool ToTerminal(std::string_view bytes, std::string& out) const;

  struct State;
  explicit Transcoder(std::unique_ptr<State> state);

 private:
  std::unique_ptr<State> state_;
};
