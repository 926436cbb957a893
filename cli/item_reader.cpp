// Reads an input item by item in blocks of 1 MiB. An item that lies in
// one block is handed out in place; only one that spans blocks is copied.
#include "item_reader.h"

#include <cerrno>
#include <cstring>
#include <utility>

namespace {

constexpr std::size_t BlockSize = std::size_t{1} << 20;

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
  return true;
}

bool ItemReader::Next(std::string_view& item) {
  carried_.clear();
  for (;;) {
    const char* start = buffer_.get() + begin_;
    const auto* found = static_cast<const char*>(std::memchr(start, terminator_, end_ - begin_));
    if (found != nullptr) {
      const auto length = static_cast<std::size_t>(found - start);
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
