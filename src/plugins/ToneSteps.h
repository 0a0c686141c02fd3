#pragma once
// The colour and tone steps of the restoration. Each one is a curve per
// channel, so they are found from histograms of a region, chained in linear
// light, and applied to the picture in one pass at the end.

#include "plugins/BgrView.h"

#include <array>
#include <cstdint>
#include <optional>

namespace tavrel::restoration
{

// Channel order as in the pixels: 0 blue, 1 green, 2 red.
struct ChannelHistograms
{
    std::array<std::array<std::uint32_t, 256>, 3> counts{};
    std::uint64_t pixels = 0;
};

// Histograms over the region. Pixels whose three channels all sit at the
// very bottom or top carry no picture (the holder's mask, a burnt-out hole)
// and are left out; large regions are sampled on every other row and column.
ChannelHistograms RegionHistograms(const BgrView& picture, const PixelRect& region);

// Byte value to linear light, per channel.
using LinearCurves = std::array<std::array<double, 256>, 3>;
// Byte value to byte value, per channel.
using ByteCurves = std::array<std::array<std::uint8_t, 256>, 3>;

// The scanner's own decoding, the same for each channel.
LinearCurves ScanCurves();

// Film-base removal for a picture that was a negative scan and has been
// inverted: each channel's density, -log10 of the transmission, is taken
// relative to the channel's film base (a low percentile of its density in the
// region) and divided by the channel's density range (up to a high
// percentile), so the orange mask and the layers' different contrasts cancel
// and a grey stays grey from shadow to highlight. The result is a positive on
// a common print-like scale. Without enough picture in the region the plain
// decoding is returned.
LinearCurves NegativeCurves(const ChannelHistograms& region);

// What the percentiles leave of a cast in a negative's curves: a picture's
// extremes are seldom neutral (a blue sky sets blue's highlight), which
// shows as a cast that changes from shadow to highlight. Blue and red are
// fitted to green, in log light, as lines through the nearly grey pixels of
// the region (narrowing in rounds, as WhiteBalanceGains does), and the
// curves are corrected by the inverse lines. A region whose greys span
// little tone gets an offset only; slopes are limited to 0.8..1.25 and
// offsets to a factor of 2.
void NeutraliseNegative(const BgrView& picture, const PixelRect& region, LinearCurves& curves);

// Gains that make the light's colour neutral at the same luminance. The
// light is first estimated as a Minkowski mean (p = 6) of each channel over
// the region, between a grey world and a white patch; then, from a sample of
// the region's pixels, as the mean of those that are nearly grey under that
// estimate, narrowing in a few rounds. Greys (walls, roads, clouds, a grey
// card) tell the light's colour; a dominant colour does not pull it. Limited
// to 0.5..2.
std::array<double, 3> WhiteBalanceGains(const BgrView& picture, const PixelRect& region,
                                        const LinearCurves& curves,
                                        const ChannelHistograms& histograms);

void ScaleCurves(LinearCurves& curves, const std::array<double, 3>& gains);

// The gain on linear light that brings the region's mean BT.601 luma of the
// encoded result to `targetY`; limited to 1/16..16.
double ExposureGain(const LinearCurves& curves, const ChannelHistograms& region, int targetY);

// The tone curve a block's table stands for. Profile files hold entries 0 to
// 254 only, so entry 255 is whatever the caller's block held before: the
// curve's last step is continued to it instead. Empty (nullopt) when the
// curve changes nothing: an identity table, or an all-zero one, which is what
// a profile without a table leaves and which would turn every picture black.
std::optional<std::array<std::uint8_t, 256>> ToneCurve(const std::uint8_t table[256]);

// Encodes the curves (clipping at white) and passes them through `toneTable`
// when given.
ByteCurves EncodeCurves(const LinearCurves& curves, const std::uint8_t* toneTable);

// Applies the curves to every pixel, then raises colourfulness by
// `enhancement` steps (0 none) around each pixel's luma, less on colours that
// are already strong so they do not clip.
void ApplyCurves(const BgrView& picture, const ByteCurves& curves, int enhancement);

} // namespace tavrel::restoration
