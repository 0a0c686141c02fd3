#pragma once
// Row kernels shared by the operations. Each handles one row and is written
// in steps of 8 bytes so that -O2 code moves whole words.

#include <cstddef>
#include <cstdint>

namespace tavrel
{

namespace pixelkernels
{

// dst[i] = ~src[i] for n bytes (src may equal dst).
void InvertBytes(const std::uint8_t* src, std::uint8_t* dst, std::size_t n);
// Toggles bits [first, end) of a 1-bit row, most significant bit first.
void InvertBits(std::uint8_t* row, int first, int end);
// dst[i] = src[n - 1 - i].
void ReverseBytes(const std::uint8_t* src, std::uint8_t* dst, std::size_t n);
// Reverses the order of n three-byte pixels.
void ReversePixels24(const std::uint8_t* src, std::uint8_t* dst, std::size_t n);
// Reverses the order of the first `width` pixels of a 1-bit row; dst gets
// (width + 7) / 8 bytes with the bits past the width cleared.
void ReverseBits(const std::uint8_t* src, std::uint8_t* dst, int width);
// Copies `width` bits starting at bit `first` of src to the start of dst,
// clearing the bits of the last byte past the width. srcBytes bounds reads.
void CopyBits(const std::uint8_t* src, std::size_t srcBytes, int first, int width,
              std::uint8_t* dst);

} // namespace pixelkernels

} // namespace tavrel
