#pragma once
// TIFF pictures through libtiff: any layout libtiff can turn into RGBA is
// read (1-bit and grey files stay 1 and 8 bits); 1, 8 and 24 bits written.

#include <string>

namespace tavrel
{

class CDib;

// On failure (including a damaged strip) `picture` is left as it was.
bool ReadTiff(const std::string& path, CDib& picture);
// compression: a libtiff COMPRESSION_* value valid for the depth
// (CCITT fax only for 1 bit).
bool WriteTiff(const CDib& picture, const std::string& path, int compression);
// Silences libtiff's default stderr handlers (once per process).
void QuietTiffMessages();

} // namespace tavrel
