#include "plugins/Restoration.h"

#include "plugins/Denoise.h"
#include "plugins/ToneSteps.h"

#include <new>

namespace tavrel::restoration
{

namespace
{

// Share of the progress range the denoising takes when both kinds of work run.
constexpr int kProgressTotal = 100;
constexpr int kDenoiseShare = 80;

} // namespace

bool RestorePicture(const RestorationParams& block, std::uint8_t* pixels,
                    const ProgressSink& progress)
{
    if (pixels == nullptr || block.width <= 0 || block.height <= 0 || block.width > kMaxSide ||
        block.height > kMaxSide)
        return false;
    const BgrView picture{pixels, block.width, block.height,
                          (std::size_t(block.width) * 3 + 3) / 4 * 4};
    const bool denoise = block.denoiseSwitch != 0;
    const bool tone = block.AWB_En != 0 || block.AE_En != 0;
    const int denoiseEnd = denoise ? (tone ? kDenoiseShare : kProgressTotal) : 0;
    auto report = [&](int position)
    {
        if (progress)
            progress(position, kProgressTotal);
    };

    try
    {
        report(0);
        if (denoise)
        {
            DenoiseSettings settings;
            settings.strength = block.denoiseScale == 0 ? 1.0 : double(block.denoiseScale);
            DenoisePicture(picture, settings,
                           [&](int done, int total) { report(denoiseEnd * done / total); });
        }
        if (tone)
        {
            const PixelRect awbRegion = ClampRegion(block.awbRegion, picture.width, picture.height);
            const PixelRect aeRegion = ClampRegion(block.aeRegion, picture.width, picture.height);
            const ChannelHistograms awb = RegionHistograms(picture, awbRegion);
            LinearCurves curves;
            if (block.negative == 1)
            {
                curves = NegativeCurves(awb);
                if (block.AWB_En != 0)
                    NeutraliseNegative(picture, awbRegion, curves);
            }
            else
            {
                curves = ScanCurves();
                if (block.AWB_En != 0)
                    ScaleCurves(curves, WhiteBalanceGains(picture, awbRegion, curves, awb));
            }
            if (block.AE_En != 0)
            {
                const ChannelHistograms ae = RegionHistograms(picture, aeRegion);
                const double gain = ExposureGain(curves, ae, block.TargetY);
                ScaleCurves(curves, {gain, gain, gain});
            }
            const auto toneCurve = ToneCurve(block.gTable);
            ApplyCurves(picture, EncodeCurves(curves, toneCurve ? toneCurve->data() : nullptr),
                        block.CE_Sel);
        }
        report(kProgressTotal);
    }
    catch (const std::bad_alloc&)
    {
        return false;
    }
    return true;
}

} // namespace tavrel::restoration
