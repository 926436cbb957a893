// Reads an input item by item, each item ended by a chosen byte, in large
// blocks and holding no more than one item at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

// Reads what the input has at hand, at most `size` bytes, waiting only when
// nothing is there. Returns 0 at the end and -1 on an error (errno set).
using ReadFunction = std::function<std::ptrdiff_t(char* buffer, std::size_t size)>;

class ItemReader {
 public:
  // `beforeWait` runs each time the reader is about to wait for input, so
  // that output already made can be flushed for whoever is waiting on it.
  ItemReader(char terminator, ReadFunction read, std::function<void()> beforeWait);

  // Sets `item` to the next item without its terminator; it stays valid until
  // the next call. A last item without terminator counts, an empty remainder
  // does not. Returns false at the end of the input, and on a read error,
  // which ReadError() then reports.
  bool Next(std::string_view& item);

  // Whether the last item read ended with the terminator, not with the input.
  bool LastWasTerminated() const { return lastTerminated_; }

  // The errno of a failed read, or 0.
  int ReadError() const { return readError_; }

 private:
  bool Refill();
  std::size_t FindTerminator();

  char terminator_;
  ReadFunction read_;
  std::function<void()> beforeWait_;
  std::unique_ptr<char[]> buffer_;  // left uninitialised: reads fill what is used
  std::size_t begin_ = 0;           // unread bytes of buffer_ are [begin_, end_)
  std::size_t end_ = 0;
  // The terminators in [begin_, scanned_), one bit each, the lowest bit for
  // the byte at scanned_ - 64.
  std::uint64_t terminators_ = 0;
  std::size_t scanned_ = 0;
  std::string carried_;  // the start of an item that runs past the buffer
  bool ended_ = false;
  bool lastTerminated_ = false;
  int readError_ = 0;
};
