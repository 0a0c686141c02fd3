#pragma once
// Lens and light-box correction: the camera sees the film through a lens
// against a light box, so the corners of every frame come out darker and the
// light has a colour. A frame of the empty holder measures both; the map
// holds, per channel, the gain in linear light that turns that frame into an
// even neutral grey at the level of its brightest cell, on a coarse grid in
// coordinates normalised to the frame, so it applies to a frame of any size.
//
// Reference file (".ver"), little-endian:
//   offset  size                 content
//   0       8                    "TVFLAT\r\n"
//   8       4  uint32            version, 1
//   12      4  uint32            columns C, 2 to 256
//   16      4  uint32            rows R, 2 to 256
//   20      4  uint32            channels, 3 (blue, green, red)
//   24      4 × C × R × 3 float  gains, rows top to bottom, each row left to
//                                right, each cell blue, green, red; cell (c, r)
//                                stands at ((c + 0.5) / C, (r + 0.5) / R) of
//                                the frame
//   end−4   4  uint32            CRC-32 (as zlib's crc32) of all bytes before it
// A file is refused, and no correction made, when any of these disagrees,
// the length is not exactly this, or a gain is not within 1/4 to 4.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavrel
{

class CDib;

// Why a frame cannot serve as the empty holder's picture.
enum class BlankFrameFault
{
    None,
    WrongFormat, // not 24 bits, or smaller than the grid
    TooDark,     // no light to measure
    NotEmpty,    // structure or a strong colour: film or a holder is in the light
};

class FlatFieldMap
{
public:
    static constexpr int kColumns = 32;
    static constexpr int kRows = 24;
    // Where the light is this much dimmer than its mean, the correction stops
    // growing: a nearly black corner would otherwise bring up only noise.
    static constexpr float kMaxGain = 4.0f;

    // The map of a 24-bit frame of the empty holder. Each cell is the median
    // of its pixels, so dust and specks on the light box do not print into
    // every scan. Nothing, with *fault set, for a frame that is not an evenly
    // lit empty holder: a map made from film would "correct" every later
    // frame by that picture. Accepted are smooth fall-off and a mild tint
    // only: the cells' light must follow a low-order surface, no channel be
    // far weaker than another and the median luma be at least 16. Where the
    // light clips (a film type exposed for dense film), the surface fitted
    // to the other cells gives it, as long as a quarter of them are left;
    // a frame clipped nearly everywhere is taken as it is.
    static std::optional<FlatFieldMap> FromBlankFrame(const CDib& frame,
                                                      BlankFrameFault* fault = nullptr);

    // Nothing, with *why set, for a missing, unreadable or damaged file.
    static std::optional<FlatFieldMap> Load(const std::string& path, std::string* why = nullptr);
    // Written beside the target and renamed into place.
    bool Save(const std::string& path) const;

    // Corrects a 24-bit frame in place, whatever its size, by bilinear
    // interpolation between cell centres (extended over the outer half
    // cells); false, frame unchanged, for another depth.
    bool Apply(CDib& frame) const;

    int Columns() const { return m_columns; }
    int Rows() const { return m_rows; }
    // Linear-light gain of a cell; channel 0 blue, 1 green, 2 red.
    float Gain(int column, int row, int channel) const
    {
        return m_gains[(std::size_t(row) * m_columns + column) * 3 + channel];
    }

private:
    FlatFieldMap(int columns, int rows, std::vector<float> gains);

    int m_columns;
    int m_rows;
    std::vector<float> m_gains;
};

} // namespace tavrel
