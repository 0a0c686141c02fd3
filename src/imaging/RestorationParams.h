#pragma once
// The parameter block handed to the restoration plug-in by pointer: its
// layout is an interface (little-endian, offsets from the first byte).

#include <cstddef>
#include <cstdint>

namespace tavrel
{

#pragma pack(push, 1)
struct RegionRect
{
    std::int32_t left;
    std::int32_t right;
    std::int32_t top;
    std::int32_t bottom;
};

struct RestorationParams
{
    std::int32_t height;        // 0
    std::int32_t width;         // 4
    std::uint8_t AWB_En;        // 8
    std::uint8_t pad0[3];       // 9
    RegionRect awbRegion;       // 12
    std::uint8_t negative;      // 28
    std::uint8_t AE_En;         // 29
    std::uint8_t TargetY;       // 30
    std::uint8_t pad1;          // 31
    RegionRect aeRegion;        // 32
    std::uint8_t AC_En;         // 48
    std::uint8_t reserved0[23]; // 49
    std::uint8_t CE_Sel;        // 72
    std::uint8_t gTable[256];   // 73
    std::uint8_t denoiseSwitch; // 329
    std::uint8_t denoiseScale;  // 330
    std::uint8_t pad2;          // 331
    std::int32_t deltaScale;    // 332
    double strength;            // 336
    std::int32_t R_delta;       // 344
    std::int32_t G_delta;       // 348
    std::int32_t B_delta;       // 352
    std::int32_t reserved1;     // 356
    std::int32_t reserved2;     // 360
};
#pragma pack(pop)

static_assert(offsetof(RestorationParams, width) == 4);
static_assert(offsetof(RestorationParams, AWB_En) == 8);
static_assert(offsetof(RestorationParams, awbRegion) == 12);
static_assert(offsetof(RestorationParams, negative) == 28);
static_assert(offsetof(RestorationParams, AE_En) == 29);
static_assert(offsetof(RestorationParams, TargetY) == 30);
static_assert(offsetof(RestorationParams, aeRegion) == 32);
static_assert(offsetof(RestorationParams, AC_En) == 48);
static_assert(offsetof(RestorationParams, CE_Sel) == 72);
static_assert(offsetof(RestorationParams, gTable) == 73);
static_assert(offsetof(RestorationParams, denoiseSwitch) == 329);
static_assert(offsetof(RestorationParams, denoiseScale) == 330);
static_assert(offsetof(RestorationParams, deltaScale) == 332);
static_assert(offsetof(RestorationParams, strength) == 336);
static_assert(offsetof(RestorationParams, R_delta) == 344);
static_assert(offsetof(RestorationParams, G_delta) == 348);
static_assert(offsetof(RestorationParams, B_delta) == 352);
static_assert(offsetof(RestorationParams, reserved2) == 360);
static_assert(sizeof(RestorationParams) == 364);

} // namespace tavrel
