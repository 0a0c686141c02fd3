#pragma once
// PNG reading through libpng: grey files give 8 bits (1-bit grey stays 1
// bit), palettes of greys 8 bits, everything else 24 bits; pHYs is read.

#include <string>

namespace tavrel
{

class CDib;

// On failure (including truncated data) `picture` is left as it was.
bool ReadPng(const std::string& path, CDib& picture);

} // namespace tavrel
