#pragma once
// Allocation of large point arrays.
//
// Arrays of a megabyte and more (a step's points, the per-point arrays of the statistics) are
// mapped directly and marked for transparent huge pages where the system offers them: touching
// fresh memory page by page is what dominates loading a large file on machines where page faults
// are expensive (virtual machines). Such an array is rounded up to whole 2 MB units, so a large
// step may keep up to 2 MB beyond its points. Smaller arrays come from the ordinary heap.
#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

inline constexpr std::size_t WPVLargeBytes = std::size_t(1) << 20;

// Memory for aBytes; mapped when aBytes >= WPVLargeBytes. Throws std::bad_alloc.
void* WPVAllocateLarge(std::size_t aBytes);
// Frees what WPVAllocateLarge(aBytes) returned.
void WPVFreeLarge(void* aPointer, std::size_t aBytes) noexcept;
// Gives the whole memory pages within [aPointer, aPointer + aBytes) back to the system; they
// read as zeros afterwards. Only where large arrays are mapped (elsewhere nothing happens).
void WPVDiscardPages(void* aPointer, std::size_t aBytes) noexcept;
// The bytes an allocation of aBytes reserves (whole 2 MB units for mapped ones).
std::size_t WPVAllocationSize(std::size_t aBytes) noexcept;

template <class T>
struct TWPVLargeAllocator
{
    using value_type = T;
    TWPVLargeAllocator() noexcept = default;
    template <class U>
    TWPVLargeAllocator(const TWPVLargeAllocator<U>&) noexcept
    {
    }
    T* allocate(std::size_t n)
    {
        if (n > static_cast<std::size_t>(-1) / sizeof(T))
            throw std::bad_array_new_length();
        return static_cast<T*>(WPVAllocateLarge(n * sizeof(T)));
    }
    void deallocate(T* p, std::size_t n) noexcept { WPVFreeLarge(p, n * sizeof(T)); }
    template <class U>
    bool operator==(const TWPVLargeAllocator<U>&) const noexcept
    {
        return true;
    }
};

template <class T>
using TWPVLargeVector = std::vector<T, TWPVLargeAllocator<T>>;
