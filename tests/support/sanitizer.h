// ZENTROX_UNDER_ASAN is defined in a build with AddressSanitizer, which
// reserves far more address space than a test's limit would allow;
// ZENTROX_UNDER_TSAN in a build with ThreadSanitizer.
#pragma once

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZENTROX_UNDER_ASAN 1
#endif
// ThreadSanitizer's allocator reserves as much, and ends the process where
// memory runs out instead of throwing: the same tests skip under it.
#if __has_feature(thread_sanitizer)
#define ZENTROX_UNDER_ASAN 1
#define ZENTROX_UNDER_TSAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) && !defined(ZENTROX_UNDER_ASAN)
#define ZENTROX_UNDER_ASAN 1
#endif
