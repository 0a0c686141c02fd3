#pragma once
// UTF-8 <-> UTF-16 conversion. Invalid input never reads out of bounds: each
// malformed UTF-8 sequence becomes U+FFFD, a lone surrogate becomes U+FFFD.

#include <string>
#include <string_view>

namespace tavrel
{

std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

} // namespace tavrel
