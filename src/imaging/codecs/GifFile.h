#pragma once
// GIF through giflib: the first frame is read (greys give 8 bits, other
// palettes 24 bits); 1, 8 and 24-bit pictures are written (24 bits through
// giflib's colour quantiser).

#include <string>

namespace tavrel
{

class CDib;

bool ReadGif(const std::string& path, CDib& picture);
bool WriteGif(const CDib& picture, const std::string& path);

} // namespace tavrel
