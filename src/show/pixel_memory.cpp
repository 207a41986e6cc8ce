#include "show/pixel_memory.h"

#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace orvane {

namespace {

constexpr std::size_t kCacheLine = 64;
constexpr std::size_t kHugePage = std::size_t{2} << 20;

bool isLarge(std::size_t bytes) { return bytes >= kHugePage; }

std::size_t roundedUp(std::size_t bytes) { return (bytes + kHugePage - 1) / kHugePage * kHugePage; }

}  // namespace

void* allocatePixelMemory(std::size_t bytes) {
    if (!isLarge(bytes)) {
        return ::operator new(bytes, std::align_val_t{kCacheLine});
    }
    void* memory = ::operator new(roundedUp(bytes), std::align_val_t{kHugePage});
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    // Only a hint: where huge pages are off or short, the picture just keeps small pages.
    madvise(memory, roundedUp(bytes), MADV_HUGEPAGE);
#endif
    return memory;
}

void freePixelMemory(void* memory, std::size_t bytes) {
    if (!isLarge(bytes)) {
        ::operator delete(memory, bytes, std::align_val_t{kCacheLine});
        return;
    }
    ::operator delete(memory, roundedUp(bytes), std::align_val_t{kHugePage});
}

}  // namespace orvane
