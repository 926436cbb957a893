// The terminal on Linux and other POSIX systems: arguments are the bytes that
// main receives, and text is converted with iconv between the locale's
// encoding and the code page. A plain ASCII locale is taken as UTF-8, since
// ASCII text is UTF-8 too and anything beyond it would otherwise be refused.
#include "terminal.h"

#include <errno.h>
#include <fcntl.h>
#include <iconv.h>
#include <langinfo.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <cstring>
#include <utility>

#include "utf8.h"

namespace {

// iconv's name for each code page that linkconv knows, or nullptr.
const char* IconvName(unsigned codePage) {
  static constexpr const char* Iso8859[] = {"ISO-8859-1", "ISO-8859-2", "ISO-8859-3", "ISO-8859-4", "ISO-8859-5",
                                            "ISO-8859-6", "ISO-8859-7", "ISO-8859-8", "ISO-8859-9"};
  static constexpr const char* Windows125x[] = {"CP1250", "CP1251", "CP1252", "CP1253", "CP1254",
                                                "CP1255", "CP1256", "CP1257", "CP1258"};
  if (codePage >= 28591 && codePage <= 28599) return Iso8859[codePage - 28591];
  if (codePage >= 1250 && codePage <= 1258) return Windows125x[codePage - 1250];
  switch (codePage) {
    case 437:
      return "IBM437";
    case 850:
      return "IBM850";
    case 852:
      return "IBM852";
    case 855:
      return "IBM855";
    case 857:
      return "IBM857";
    case 860:
      return "IBM860";
    case 861:
      return "IBM861";
    case 862:
      return "IBM862";
    case 863:
      return "IBM863";
    case 865:
      return "IBM865";
    case 866:
      return "IBM866";
    case 869:
      return "IBM869";
    case 874:
      return "CP874";
    case 936:
      return "CP936";
    case 20866:
      return "KOI8-R";
    case 21866:
      return "KOI8-U";
    case 28603:
      return "ISO-8859-13";
    case 28605:
      return "ISO-8859-15";
    case 65001:
      return "UTF-8";
    default:
      return nullptr;
  }
}

const char* TerminalEncoding() {
  const char* codeset = nl_langinfo(CODESET);
  if (codeset == nullptr || *codeset == '\0' || std::strcmp(codeset, "ANSI_X3.4-1968") == 0 ||
      std::strcmp(codeset, "ASCII") == 0)
    return "UTF-8";
  return codeset;
}

// Converts all of `in`; fails on an invalid or unconvertible sequence.
bool Convert(iconv_t converter, std::string_view in, std::string& out) {
  if (IsAscii(in)) {  // every encoding offered here is a superset of ASCII
    out.assign(in);
    return true;
  }
  iconv(converter, nullptr, nullptr, nullptr, nullptr);
  out.resize(in.size() * 2 + 16);
  char* inPtr = const_cast<char*>(in.data());
  std::size_t inLeft = in.size();
  std::size_t written = 0;
  while (inLeft > 0) {
    char* outPtr = out.data() + written;
    std::size_t outLeft = out.size() - written;
    const std::size_t result = iconv(converter, &inPtr, &inLeft, &outPtr, &outLeft);
    written = static_cast<std::size_t>(outPtr - out.data());
    if (result != static_cast<std::size_t>(-1)) continue;
    if (errno != E2BIG) return false;
    out.resize(out.size() * 2);
  }
  out.resize(written);
  return true;
}

}  // namespace

struct Transcoder::State {
  iconv_t toCodePage;
  iconv_t toTerminal;
};

std::vector<std::string> StartProgram(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  signal(SIGPIPE, SIG_IGN);  // a closed pipe then shows as a write error
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

bool ArgumentsAreBytes() { return true; }

std::ptrdiff_t ReadStandardInput(char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t got = read(STDIN_FILENO, buffer, size);
    if (got >= 0 || errno != EINTR) return got;
  }
}

std::size_t PrepareStandardOutput() {
  constexpr std::size_t LargestWrite = std::size_t{128} << 10;
#if defined(F_GETPIPE_SZ) && defined(F_SETPIPE_SZ)
  // A write that does not fit in the pipe at once waits until the reader has
  // emptied it, and the two then take turns instead of working side by side.
  // So a pipe is enlarged where the system allows, and writes are kept below
  // its capacity.
  constexpr int WantedPipeSize = 1 << 20;
  int capacity = fcntl(STDOUT_FILENO, F_GETPIPE_SZ);
  if (capacity > 0 && capacity < WantedPipeSize && fcntl(STDOUT_FILENO, F_SETPIPE_SZ, WantedPipeSize) > 0)
    capacity = fcntl(STDOUT_FILENO, F_GETPIPE_SZ);
  if (capacity > 0) return std::min(static_cast<std::size_t>(capacity) / 8 * 7, LargestWrite);
#endif
  return LargestWrite;
}

bool WriteStandardOutput(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = write(STDOUT_FILENO, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

std::unique_ptr<Transcoder> Transcoder::Open(unsigned codePage) {
  const char* name = IconvName(codePage);
  if (name == nullptr) return nullptr;
  const iconv_t toCodePage = iconv_open(name, TerminalEncoding());
  if (toCodePage == reinterpret_cast<iconv_t>(-1)) return nullptr;
  const iconv_t toTerminal = iconv_open(TerminalEncoding(), name);
  if (toTerminal == reinterpret_cast<iconv_t>(-1)) {
    iconv_close(toCodePage);
    return nullptr;
  }
  return std::make_unique<Transcoder>(std::make_unique<State>(State{toCodePage, toTerminal}));
}

Transcoder::Transcoder(std::unique_ptr<State> state) : state_(std::move(state)) {}

Transcoder::~Transcoder() {
  iconv_close(state_->toCodePage);
  iconv_close(state_->toTerminal);
}

bool Transcoder::ToCodePage(std::string_view text, std::string& out) const {
  return Convert(state_->toCodePage, text, out);
}

bool Transcoder::ToTerminal(std::string_view bytes, std::string& out) const {
  return Convert(state_->toTerminal, bytes, out);
}
