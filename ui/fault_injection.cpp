// The test build's failure switch: LINKCONV_FAULT names one injected fault,
// and LINKCONV_ALLOCATION_LIMIT=N makes every operator new of N bytes or more
// fail, so that memory runs out inside the conversion itself.
#include "fault_injection.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace {

const char* FaultName(Fault fault) {
  switch (fault) {
    case Fault::WindowCreation:
      return "window";
    case Fault::BoxText:
      return "box-text";
    case Fault::ResultCopy:
      return "result-copy";
    default:
      return "clipboard-block";
  }
}

std::size_t AllocationLimit() {
  static const std::size_t limit = [] {
    const char* setting = std::getenv("LINKCONV_ALLOCATION_LIMIT");
    return setting ? std::strtoull(setting, nullptr, 10) : 0;
  }();
  return limit;
}

}  // namespace

bool IsFaultInjected(Fault fault) {
  const char* setting = std::getenv("LINKCONV_FAULT");
  return setting && std::strcmp(setting, FaultName(fault)) == 0;
}

void* operator new(std::size_t size) {
  const std::size_t limit = AllocationLimit();
  if (limit != 0 && size >= limit) throw std::bad_alloc();
  if (void* block = std::malloc(size ? size : 1)) return block;
  throw std::bad_alloc();
}

void* operator new[](std::size_t size) { return ::operator new(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
