// Reads an input item by item in blocks of 1 MiB. An item that lies in
// one block is handed out in place; only one that spans blocks is copied.
#include "item_reader.h"

#include <bit>
#include <cerrno>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr std::size_t BlockSize = std::size_t{1} << 20;

// One bit for each of the 64 bytes at `bytes` that equals `terminator`.
std::uint64_t TerminatorMask(const char* bytes, char terminator) {
#if defined(__SSE2__)
  const __m128i wanted = _mm_set1_epi8(terminator);
  std::uint64_t mask = 0;
  for (int i = 0; i < 4; ++i) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 16 * i));
    mask |= std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, wanted)))} << (16 * i);
  }
  return mask;
#else
  std::uint64_t mask = 0;
  for (int i = 0; i < 64; ++i) mask |= std::uint64_t{bytes[i] == terminator} << i;
  return mask;
#endif
}

}  // namespace

ItemReader::ItemReader(char terminator, ReadFunction read, std::function<void()> beforeWait)
    : terminator_(terminator),
      read_(std::move(read)),
      beforeWait_(std::move(beforeWait)),
      buffer_(std::make_unique_for_overwrite<char[]>(BlockSize)) {}

bool ItemReader::Refill() {
  if (ended_) return false;
  beforeWait_();
  const std::ptrdiff_t got = read_(buffer_.get(), BlockSize);
  if (got <= 0) {
    ended_ = true;
    if (got < 0) readError_ = errno != 0 ? errno : EIO;
    return false;
  }
  begin_ = 0;
  end_ = static_cast<std::size_t>(got);
  terminators_ = 0;
  scanned_ = 0;
  return true;
}

// The place of the first terminator at or after begin_, or end_. Items are
// short, so the block is scanned 64 bytes at a time, each scan serving the
// items it covers; the last bytes of the block are searched one item at a time.
std::size_t ItemReader::FindTerminator() {
  while (terminators_ == 0) {
    if (end_ - scanned_ < 64) {
      const char* start = buffer_.get() + scanned_;
      const auto* found = static_cast<const char*>(std::memchr(start, terminator_, end_ - scanned_));
      scanned_ = found == nullptr ? end_ : static_cast<std::size_t>(found - buffer_.get()) + 1;
      return found == nullptr ? end_ : scanned_ - 1;
    }
    terminators_ = TerminatorMask(buffer_.get() + scanned_, terminator_);
    scanned_ += 64;
  }
  const std::size_t place = scanned_ - 64 + static_cast<std::size_t>(std::countr_zero(terminators_));
  terminators_ &= terminators_ - 1;
  return place;
}

bool ItemReader::Next(std::string_view& item) {
  carried_.clear();
  for (;;) {
    const char* start = buffer_.get() + begin_;
    if (const std::size_t found = FindTerminator(); found != end_) {
      const std::size_t length = found - begin_;
      begin_ += length + 1;
      lastTerminated_ = true;
      if (carried_.empty()) {
        item = std::string_view(start, length);
      } else {
        carried_.append(start, length);
        item = carried_;
      }
      return true;
    }
    carried_.append(start, end_ - begin_);
    begin_ = end_;
    if (!Refill()) {
      lastTerminated_ = false;
      item = carried_;
      return !carried_.empty();
    }
  }
}
