#pragma once

#include <cstddef>
#include <new>

// A per-thread free list of small fixed-size blocks, for the objects a result set makes for every
// value of every row (a string object per text column). Taking a block from the list is much
// cheaper than the general allocator. A block freed on another thread joins that thread's list.
// Under the address sanitizer the pool steps aside, so every object keeps its own checks.
namespace sqblockpool {

inline constexpr std::size_t kBlockSize = 128;
inline constexpr std::size_t kMaxFreeBlocks = 4096;

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kEnabled = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kEnabled = false;
#else
inline constexpr bool kEnabled = true;
#endif
#else
inline constexpr bool kEnabled = true;
#endif

class FreeList {
public:
    FreeList() = default;
    FreeList(const FreeList&) = delete;
    FreeList& operator=(const FreeList&) = delete;
    ~FreeList()
    {
        while (head_) {
            Node* next = head_->next;
            ::operator delete(static_cast<void*>(head_));
            head_ = next;
        }
    }
    void* take()
    {
        if (!head_)
            return ::operator new(kBlockSize);
        Node* node = head_;
        head_ = node->next;
        --count_;
        return node;
    }
    void give(void* block)
    {
        if (count_ >= kMaxFreeBlocks) {
            ::operator delete(block);
            return;
        }
        head_ = ::new (block) Node{head_};
        ++count_;
    }

private:
    struct Node {
        Node* next;
    };
    Node* head_ = nullptr;
    std::size_t count_ = 0;
};

inline FreeList& freeList()
{
    thread_local FreeList list;
    return list;
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
            return static_cast<T*>(freeList().take());
        return static_cast<T*>(::operator new(n * sizeof(T)));
    }
    void deallocate(T* p, std::size_t n) noexcept
    {
        if (kEnabled && n == 1 && sizeof(T) <= kBlockSize && alignof(T) <= alignof(std::max_align_t))
            freeList().give(p);
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
