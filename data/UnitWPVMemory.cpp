#include "UnitWPVMemory.h"

#include <QtGlobal>

// Under AddressSanitizer every array stays on the checked heap.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define WPV_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define WPV_ASAN 1
#endif

#if defined(Q_OS_LINUX) && !defined(WPV_ASAN)
#include <sys/mman.h>
#include <unistd.h>
#define WPV_MAP_LARGE 1
#endif

namespace {

constexpr std::size_t kUnit = std::size_t(2) << 20; // one huge page

} // namespace

std::size_t WPVAllocationSize(std::size_t aBytes) noexcept
{
#ifdef WPV_MAP_LARGE
    if (aBytes >= WPVLargeBytes)
        return (aBytes + kUnit - 1) / kUnit * kUnit;
#endif
    return aBytes;
}

void* WPVAllocateLarge(std::size_t aBytes)
{
#ifdef WPV_MAP_LARGE
    if (aBytes >= WPVLargeBytes) {
        const std::size_t size = WPVAllocationSize(aBytes);
        // Map one unit more and trim, so that the array starts on a huge-page boundary.
        const std::size_t mapSize = size + kUnit;
        void* m = mmap(nullptr, mapSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (m == MAP_FAILED)
            throw std::bad_alloc();
        char* base = static_cast<char*>(m);
        char* aligned = reinterpret_cast<char*>((reinterpret_cast<std::uintptr_t>(base) + kUnit - 1) / kUnit * kUnit);
        if (aligned > base)
            munmap(base, static_cast<std::size_t>(aligned - base));
        char* end = base + mapSize;
        if (end > aligned + size)
            munmap(aligned + size, static_cast<std::size_t>(end - (aligned + size)));
        madvise(aligned, size, MADV_HUGEPAGE);
        return aligned;
    }
#endif
    return ::operator new(aBytes);
}

void WPVFreeLarge(void* aPointer, std::size_t aBytes) noexcept
{
#ifdef WPV_MAP_LARGE
    if (aBytes >= WPVLargeBytes) {
        munmap(aPointer, WPVAllocationSize(aBytes));
        return;
    }
#endif
    ::operator delete(aPointer);
}

void WPVDiscardPages(void* aPointer, std::size_t aBytes) noexcept
{
#ifdef WPV_MAP_LARGE
    static const std::uintptr_t page = std::uintptr_t(sysconf(_SC_PAGESIZE));
    std::uintptr_t b = reinterpret_cast<std::uintptr_t>(aPointer);
    std::uintptr_t e = b + aBytes;
    b = (b + page - 1) / page * page;
    e = e / page * page;
    if (e > b)
        madvise(reinterpret_cast<void*>(b), e - b, MADV_DONTNEED);
#else
    Q_UNUSED(aPointer);
    Q_UNUSED(aBytes);
#endif
}
