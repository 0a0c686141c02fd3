#pragma once
// Whether this test program was built with AddressSanitizer, which reserves
// far more address space than any limit allows and keeps freed memory
// cached: bounds on either do not hold under it.

namespace tavrel::test
{

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kAddressSanitizer = true;
#else
inline constexpr bool kAddressSanitizer = false;
#endif
#else
inline constexpr bool kAddressSanitizer = false;
#endif

} // namespace tavrel::test
