#pragma once
// Fast reduced-size loading for thumbnails: JPEG files are decoded at the
// smallest DCT scale (1/2, 1/4, 1/8) that still covers the wanted size;
// other files are read whole and shrunk by an integer factor.

#include <string>

namespace tavrel
{

class CDib;

// 1 when `picture` holds the file at maxWidth × maxHeight or somewhat more
// (never less than the box unless the file itself is smaller).
int LoadThumbnail(const std::string& path, CDib& picture, int maxWidth, int maxHeight);

} // namespace tavrel
