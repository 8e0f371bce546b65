#pragma once

// Which sanitizers this build runs under, for the code that must step aside under one: the address
// and thread sanitizers serve malloc from their own allocator (the C library's settings change
// nothing there) and reserve terabytes of shadow address space (an address-space limit kills the
// process at once). g++ announces them with __SANITIZE_ADDRESS__ and __SANITIZE_THREAD__; clang
// defines neither and answers __has_feature instead, so both are asked here and nowhere else.

#if defined(__has_feature)
#define CORVANE_HAS_FEATURE(feature) __has_feature(feature)
#else
#define CORVANE_HAS_FEATURE(feature) 0
#endif

#if defined(__SANITIZE_ADDRESS__) || CORVANE_HAS_FEATURE(address_sanitizer)
#define CORVANE_ADDRESS_SANITIZER 1
#else
#define CORVANE_ADDRESS_SANITIZER 0
#endif

#if defined(__SANITIZE_THREAD__) || CORVANE_HAS_FEATURE(thread_sanitizer)
#define CORVANE_THREAD_SANITIZER 1
#else
#define CORVANE_THREAD_SANITIZER 0
#endif

namespace foundation {

inline constexpr bool kAddressSanitizer = CORVANE_ADDRESS_SANITIZER;
inline constexpr bool kThreadSanitizer = CORVANE_THREAD_SANITIZER;
// The allocator is the sanitizer's, not the C library's.
inline constexpr bool kSanitizerAllocator = kAddressSanitizer || kThreadSanitizer;

} // namespace foundation
