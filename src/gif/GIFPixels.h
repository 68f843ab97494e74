#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <utility>
#include <vector>

// Memory that comes zeroed from the system and is not written again when elements are made
// without a value: the pages of a huge frame that no data reaches are never touched, so they
// cost nothing (a short file may declare frames of gigabytes in all). Buffers that use it are
// made at their final size; one grown within its capacity would keep stale elements.
template <class T>
struct TGIFZeroedAllocator {
    using value_type = T;

    TGIFZeroedAllocator() = default;
    template <class U>
    TGIFZeroedAllocator(const TGIFZeroedAllocator<U>&) noexcept
    {
    }

    T* allocate(std::size_t count)
    {
        void* memory = std::calloc(count, sizeof(T));
        if (!memory)
            throw std::bad_alloc();
        return static_cast<T*>(memory);
    }
    void deallocate(T* memory, std::size_t) noexcept { std::free(memory); }

    // Made without a value: already zero.
    template <class U>
    void construct(U*) noexcept
    {
    }
    template <class U, class... Arguments>
    void construct(U* at, Arguments&&... arguments)
    {
        ::new (static_cast<void*>(at)) U(std::forward<Arguments>(arguments)...);
    }

    friend bool operator==(const TGIFZeroedAllocator&, const TGIFZeroedAllocator&) { return true; }
};

// A frame's colour indices, rows top to bottom.
using TGIFPixels = std::vector<std::uint8_t, TGIFZeroedAllocator<std::uint8_t>>;
