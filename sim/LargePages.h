// An allocator for the large tables the tram step reads all over: the trams of a big city touch
// rails on thousands of ordinary 4 KiB pages, more than the processor keeps addresses for, and
// each lookup it has lost costs as much as a cache miss. Such tables go on 2 MiB pages where
// the system grants them. A hint only: refused, or on another system, they are ordinary memory.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace vell {

template <class T> struct TLargePageAllocator {
    using value_type = T;

    TLargePageAllocator() = default;
    template <class U> TLargePageAllocator(const TLargePageAllocator<U>&) {}

    T* allocate(std::size_t n) {
        constexpr std::size_t page = std::size_t(2) << 20;
        if (n > (std::size_t(-1) - page) / sizeof(T)) throw std::bad_alloc();
        // Whole large pages, so that the table shares none with other data.
        const std::size_t bytes = n == 0 ? page : (n * sizeof(T) + page - 1) / page * page;
        void* memory = std::aligned_alloc(page, bytes);
        if (!memory) throw std::bad_alloc();
#ifdef __linux__
        madvise(memory, bytes, MADV_HUGEPAGE);
#endif
        return static_cast<T*>(memory);
    }
    void deallocate(T* memory, std::size_t) {
        std::free(memory);
    }

    template <class U> bool operator==(const TLargePageAllocator<U>&) const {
        return true;
    }
};

} // namespace vell
