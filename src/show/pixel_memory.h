// Memory for whole-window pictures. The rain touches a thousand or more cells a frame spread
// over the whole window, each cell row in a different page, so pictures start on a cache line
// (a 16-pixel cell row of 4-byte pixels is then one line) and large ones are laid out in
// huge pages where the system offers them, so that a frame does not spend its time on
// address-translation misses.
#pragma once

#include <cstddef>

namespace orvane {

void* allocatePixelMemory(std::size_t bytes);
void freePixelMemory(void* memory, std::size_t bytes);

// A standard allocator over that memory, for containers of pixels.
template <typename T>
struct PixelAllocator {
    using value_type = T;

    PixelAllocator() = default;
    template <typename U>
    PixelAllocator(const PixelAllocator<U>&) {}

    T* allocate(std::size_t n) { return static_cast<T*>(allocatePixelMemory(n * sizeof(T))); }
    void deallocate(T* p, std::size_t n) { freePixelMemory(p, n * sizeof(T)); }

    template <typename U>
    bool operator==(const PixelAllocator<U>&) const { return true; }
};

}  // namespace orvane
