#pragma once
// Frames of the simulated scanner: a built-in test slide (sky and ground
// gradients, a sun, a 6 x 3 colour chart, line pairs of rising frequency, a
// spoke star and an 11-step grey scale, inside a black mount) as the camera
// sees it through the film in the holder, under the programmed film type and
// exposure gain (registers 0x3a00 and 0x3a01, see CameraControl.h).
//   positive   the slide as it is
//   negative   inverted and orange-masked (neutral areas: red > green > blue)
//   bw         an inverted neutral-grey negative
//   print      the scene with paper white and a lifted black
//   none       no holder: the bare light
// Negatives are modelled as film is: each dye layer's density grows with the
// log of the scene's light at its own contrast, over an orange base.
// The sensor's black-and-white mode (0x3a00 = 2) also turns any film grey.
// Frames from the device are lit by its light box: the light falls off
// towards the corners (to about 60% in linear light), its brightest point a
// little off centre, and is slightly warm, as a real lamp and lens give.
// The frame is deterministic: the same size and settings give the same bytes.

#include "shared/camera/SimulatedScanner.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace tavrel
{

enum class SensorFilmType
{
    Positive = 0,
    Negative = 1,
    BlackWhite = 2,
    Print = 3
};

struct SlideConditions
{
    HolderFilm film = HolderFilm::Positive; // never Auto here
    SensorFilmType sensor = SensorFilmType::Positive;
    int exposureGain = 0x40; // 1/64 steps
    bool lightBox = false;   // the device's light; SlideConditionsFromState sets it
};

// Resolves "auto" film and unknown register values (taken as positive).
SlideConditions SlideConditionsFromState(const SimScannerState& state);
// nullopt when the scanner is unplugged or its state cannot be read.
std::optional<SlideConditions> CurrentSlideConditions();

// 24 bits per pixel, bytes blue, green, red; rows top-down, `stride` bytes
// apart (at least 3 x width). False for a size below 1 x 1 or a short stride.
bool RenderSlideRgb24(const SlideConditions& conditions, int width, int height, std::uint8_t* dst,
                      std::size_t stride);
// Packed 4:2:2, bytes Y0 U Y1 V, full-range BT.601, rows 2 x width bytes;
// width must be even. Empty on a bad size.
std::vector<std::uint8_t> RenderSlideYuy2(const SlideConditions& conditions, int width, int height);

// Builds the slide of that size ahead of the first frame (about 130 ms at
// 2592 x 1944; later frames of a prepared size take a few ms).
void PrepareSlide(int width, int height);

// The same from the shared state of this runtime directory: false / empty
// while the scanner is unplugged (a real camera delivers nothing then).
bool RenderFrameRgb24(int width, int height, std::uint8_t* dst, std::size_t stride);
std::vector<std::uint8_t> RenderFrameYuy2(int width, int height);

} // namespace tavrel
