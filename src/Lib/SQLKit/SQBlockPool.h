#pragma once

#include "Platform/Foundation/Sanitizers.h"

#include <cstddef>
#include <new>

// A per-thread free list of small fixed-size blocks, for the objects a result set makes for every
// value of every row (a string object per text column). Taking a block from the list is much
// cheaper than the general allocator. A block freed on another thread joins that thread's list.
// Under the address sanitizer the pool steps aside, so every object keeps its own checks.
namespace sqblockpool {

inline constexpr std::size_t kBlockSize = 128;
inline constexpr std::size_t kMaxFreeBlocks = 4096;

inline constexpr bool kEnabled = !foundation::kAddressSanitizer;

// The list itself is trivially destructible, so it stays usable for the whole life of its thread:
// objects freed after the thread's cleanup ran (a static that outlives the thread-locals at exit)
// go straight back to the general allocator.
struct FreeList {
    struct Node {
        Node* next;
    };
    Node* head = nullptr;
    std::size_t count = 0;
    bool closed = false;
};

inline thread_local FreeList tlsFreeList;

struct FreeListCleanup {
    FreeListCleanup() = default;
    FreeListCleanup(const FreeListCleanup&) = delete;
    FreeListCleanup& operator=(const FreeListCleanup&) = delete;
    ~FreeListCleanup()
    {
        FreeList& list = tlsFreeList;
        while (list.head) {
            FreeList::Node* next = list.head->next;
            ::operator delete(static_cast<void*>(list.head));
            list.head = next;
        }
        list.count = 0;
        list.closed = true;
    }
};

inline thread_local FreeListCleanup tlsFreeListCleanup;

inline void* take()
{
    FreeList& list = tlsFreeList;
    if (!list.head)
        return ::operator new(kBlockSize);
    FreeList::Node* node = list.head;
    list.head = node->next;
    --list.count;
    return node;
}

inline void give(void* block)
{
    FreeList& list = tlsFreeList;
    if (list.closed || list.count >= kMaxFreeBlocks) {
        ::operator delete(block);
        return;
    }
    static_cast<void>(&tlsFreeListCleanup); // registers the cleanup for this thread
    list.head = ::new (block) FreeList::Node{list.head};
    ++list.count;
}

// An allocator for std::allocate_shared: single objects of up to kBlockSize bytes come from the pool.
template <class T>
struct Allocator {
    using value_type = T;
    Allocator() = default;
    template <class U>
    Allocator(const Allocator<U>&) noexcept
    {
    }
    T* allocate(std::size_t n)
    {
        if (kEnabled && n == 1 && sizeof(T) <= kBlockSize && alignof(T) <= alignof(std::max_align_t))
            return static_cast<T*>(take());
        return static_cast<T*>(::operator new(n * sizeof(T)));
    }
    void deallocate(T* p, std::size_t n) noexcept
    {
        if (kEnabled && n == 1 && sizeof(T) <= kBlockSize && alignof(T) <= alignof(std::max_align_t))
            give(p);
        else
            ::operator delete(static_cast<void*>(p));
    }
    template <class U>
    bool operator==(const Allocator<U>&) const noexcept
    {
        return true;
    }
};

} // namespace sqblockpool
