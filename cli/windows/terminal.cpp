// The terminal on Windows: arguments come from the wide command line, and
// standard input and output carry UTF-8 in binary mode (no CR LF translation).
// Arguments are handed on as UTF-8, so that they take the same way into the
// code page as lines read from standard input.
#include "terminal.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <utility>

namespace {

std::wstring ToWide(unsigned codePage, std::string_view bytes, bool& ok) {
  ok = bytes.size() <= INT_MAX;
  if (!ok || bytes.empty()) return {};
  const int size = static_cast<int>(bytes.size());
  const int length = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ok = length > 0 &&
       MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), size, wide.data(), length) == length;
  return wide;
}

std::string FromWide(unsigned codePage, std::wstring_view wide, bool& ok) {
  ok = wide.size() <= INT_MAX;
  if (!ok || wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const int length = WideCharToMultiByte(codePage, flags, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(length), '\0');
  ok = length > 0 &&
       WideCharToMultiByte(codePage, flags, wide.data(), size, bytes.data(), length, nullptr, nullptr) == length;
  return bytes;
}

// Converts between two code pages by way of UTF-16. The result must convert
// back to the same characters: Windows puts a default character in place of
// one that the target lacks instead of failing.
bool Convert(unsigned from, unsigned to, std::string_view in, std::string& out) {
  bool ok = false;
  const std::wstring wide = ToWide(from, in, ok);
  if (!ok) return false;
  out = FromWide(to, wide, ok);
  return ok && ToWide(to, out, ok) == wide && ok;
}

}  // namespace

struct Transcoder::State {
  unsigned codePage;
};

std::vector<std::string> StartProgram(int, char**) {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  std::vector<std::string> arguments;
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return arguments;
  for (int i = 1; i < count; ++i) {
    bool ok = false;
    arguments.push_back(FromWide(CP_UTF8, wide[i], ok));
  }
  LocalFree(wide);
  return arguments;
}

bool ArgumentsAreBytes() { return false; }

std::ptrdiff_t ReadStandardInput(char* buffer, std::size_t size) {
  return _read(_fileno(stdin), buffer, static_cast<unsigned>(size < INT_MAX ? size : INT_MAX));
}

std::size_t PrepareStandardOutput() { return std::size_t{64} << 10; }

bool WriteStandardOutput(std::string_view bytes) {
  while (!bytes.empty()) {
    const unsigned piece = static_cast<unsigned>(std::min<std::size_t>(bytes.size(), INT_MAX));
    const int written = _write(_fileno(stdout), bytes.data(), piece);
    if (written <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

std::unique_ptr<Transcoder> Transcoder::Open(unsigned codePage) {
  if (!IsValidCodePage(codePage)) return nullptr;
  return std::make_unique<Transcoder>(std::make_unique<State>(State{codePage}));
}

Transcoder::Transcoder(std::unique_ptr<State> state) : state_(std::move(state)) {}

Transcoder::~Transcoder() = default;

bool Transcoder::ToCodePage(std::string_view text, std::string& out) const {
  return Convert(CP_UTF8, state_->codePage, text, out);
}

bool Transcoder::ToTerminal(std::string_view bytes, std::string& out) const {
  return Convert(state_->codePage, CP_UTF8, bytes, out);
}
