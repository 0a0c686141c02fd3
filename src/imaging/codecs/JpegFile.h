#pragma once
// JPEG through libjpeg-turbo. Library errors return here through the error
// manager inside JpegFile.cpp only; callers see plain results.

#include <string>

namespace tavrel
{

class CDib;

// Reads the whole picture (grey files give 8 bits, others 24) at 1/scaleDenom
// of its size (1, 2, 4 or 8). A truncated or corrupt file fails and leaves
// `picture` as it was.
bool ReadJpeg(const std::string& path, CDib& picture, int scaleDenom = 1);
// Width and height from the header only.
bool ReadJpegSize(const std::string& path, int& width, int& height);
// 8- and 24-bit pictures as they are; 1-bit pictures as grey.
bool WriteJpeg(const CDib& picture, const std::string& path, int quality);

} // namespace tavrel
