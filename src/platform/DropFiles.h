#pragma once
// The Windows clipboard's file-drop block (CF_HDROP) and the "Preferred
// DropEffect" value, built and read byte for byte, so that a Windows build of
// this layer hands the desktop exactly the block its file managers expect.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tavrel
{

constexpr std::uint32_t DROPEFFECT_COPY = 1;
constexpr std::uint32_t DROPEFFECT_MOVE = 2;
constexpr const char* kPreferredDropEffectFormat = "Preferred DropEffect";
constexpr std::uint32_t kDropFilesHeaderSize = 20;

// DROPFILES header (file list offset 20, point (0, 0), non-client 0, wide 1),
// then each UTF-8 path as UTF-16LE ending in a zero, then a final zero. The
// block is zero-filled to 2 × n + 28 bytes, n being the byte length of the
// zero-ended UTF-8 list with its final zero. Every character survives.
std::vector<std::uint8_t> BuildDropFiles(const std::vector<std::string>& paths);

// The paths of a block (wide or 8-bit), or nullopt when it is malformed
// (short header, offset outside the block, list without its final zero).
std::optional<std::vector<std::string>> ParseDropFiles(std::span<const std::uint8_t> block);

// The 32-bit little-endian effect value.
std::vector<std::uint8_t> BuildDropEffect(std::uint32_t effect);
// nullopt unless the value holds at least four bytes.
std::optional<std::uint32_t> ParseDropEffect(std::span<const std::uint8_t> value);

} // namespace tavrel
