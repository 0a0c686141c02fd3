#include "imaging/ProcessingChain.h"

#include "imaging/ImageKernels.h"
#include "imaging/Resample.h"
#include "imaging/codecs/ImageCodec.h"
#include "imaging/cwimage/RowBands.h"
#include "imaging/cwimage/dib/Dib.h"
#include "platform/MessageBox.h"
#include "shared/PictureDescriptor.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tavrel
{

namespace
{

constexpr int kHalfTurn = 3;

// Replaces the 24-bit `image` with itself resampled to width × height
// (300 dpi, as every new picture), resampling straight into the new rows.
bool ResampleTo(CDib& image, int width, int height)
{
    CDib resampled;
    // Every pixel is written by the resampler; only the row padding is cleared.
    if (resampled.CreateForOverwrite(width, height, 24, 300) == 0)
        return false;
    if (!tavrel::imaging::ResampleBgr24(image.Pixels(), image.Width(), image.Height(),
                                        image.RowSize(), resampled.Pixels(), width, height,
                                        resampled.RowSize()))
        return false;
    image.Swap(resampled);
    return true;
}

// Saturation, light and colour shift in one pass over the picture's own rows;
// the plan gives the same bytes as applying the three in turn.
void AdjustInPlace(CDib& image, const PictureMode& mode)
{
    const tavrel::imaging::ColourPlan plan(mode.saturation, mode.bright, mode.contrast, mode.r,
                                           mode.g, mode.b);
    if (plan.IsIdentity())
        return;
    const int width = image.Width();
    ForRowBands(
        image.Height(), image.PixelBytes(),
        [&](int first, int end)
        {
            for (int y = first; y < end; ++y)
                plan.ApplyRow(image.Row(y), width);
        },
        RowCost::Compute);
}

long long MillisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
}

void AppendTrace(std::string* trace, const char* format, long long value)
{
    if (trace == nullptr)
        return;
    char line[64];
    std::snprintf(line, sizeof(line), format, int(value));
    *trace += line;
}

// The rectangle of the un-turned frame that becomes the cropped picture after
// a half turn: cropping {l, t, r, b} of the turned frame takes the mirrored
// rectangle of the original. Clamped as Crop clamps.
struct CropRect
{
    int left, top, right, bottom;
};

CropRect MarginRect(const CDib& frame, const FrameMargins& m)
{
    CropRect r{m.left, m.top, frame.Width() - m.right, frame.Height() - m.bottom};
    r.left = std::max(r.left, 0);
    r.top = std::max(r.top, 0);
    r.right = std::min(r.right, frame.Width());
    r.bottom = std::min(r.bottom, frame.Height());
    return r;
}

CropRect Mirrored(const CDib& frame, const CropRect& r)
{
    return {frame.Width() - r.right, frame.Height() - r.bottom, frame.Width() - r.left,
            frame.Height() - r.top};
}

// Crop reads its source only; the frame belongs to the caller.
int CropFrom(const CDib& frame, CDib& destination, const CropRect& r)
{
    return const_cast<CDib&>(frame).Crop(&destination, r.left, r.top, r.right, r.bottom);
}

// column[i] = row[i], then column[i] += row[i] for the block's other rows.
template <typename Column> void StartColumns(Column* column, const std::uint8_t* row, int n)
{
    for (int i = 0; i < n; ++i)
        column[i] = row[i];
}

template <typename Column> void AddToColumns(Column* column, const std::uint8_t* row, int n)
{
    for (int i = 0; i < n; ++i)
        column[i] = Column(column[i] + row[i]);
}

#if defined(__SSE2__)
// Sixteen at a time (the compiler leaves these loops scalar at -O2).
template <> void StartColumns(std::uint16_t* column, const std::uint8_t* row, int n)
{
    const __m128i zero = _mm_setzero_si128();
    int i = 0;
    for (; i + 16 <= n; i += 16)
    {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(column + i), _mm_unpacklo_epi8(bytes, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(column + i + 8),
                         _mm_unpackhi_epi8(bytes, zero));
    }
    for (; i < n; ++i)
        column[i] = row[i];
}

template <> void AddToColumns(std::uint16_t* column, const std::uint8_t* row, int n)
{
    const __m128i zero = _mm_setzero_si128();
    int i = 0;
    for (; i + 16 <= n; i += 16)
    {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i));
        auto* lo = reinterpret_cast<__m128i*>(column + i);
        auto* hi = reinterpret_cast<__m128i*>(column + i + 8);
        _mm_storeu_si128(lo, _mm_add_epi16(_mm_loadu_si128(lo), _mm_unpacklo_epi8(bytes, zero)));
        _mm_storeu_si128(hi, _mm_add_epi16(_mm_loadu_si128(hi), _mm_unpackhi_epi8(bytes, zero)));
    }
    for (; i < n; ++i)
        column[i] = std::uint16_t(column[i] + row[i]);
}
#endif

// Output rows [first, end) of the box shrink. The f rows of each block are
// added first, column by column (the loop vectorises; Column holds f × 255),
// then the f columns of each channel. Division by f² is an exact
// multiply-shift (sums stay below 2^24).
template <typename Column>
void ShrinkRows(const CDib& frame, const CropRect& r, int factor, CDib& out, int first, int end)
{
    const int outWidth = out.Width();
    const std::uint32_t divisor = std::uint32_t(factor) * std::uint32_t(factor);
    int shift = 0;
    while ((1u << shift) < divisor)
        ++shift;
    const std::uint64_t magic = (std::uint64_t(1) << (32 + shift)) / divisor + 1;
    const int kept = 3 * outWidth * factor;
    std::vector<Column> columns(static_cast<std::size_t>(kept));
    Column* column = columns.data();
    for (int oy = first; oy < end; ++oy)
    {
        StartColumns(column, frame.Row(r.top + oy * factor) + 3 * r.left, kept);
        for (int dy = 1; dy < factor; ++dy)
            AddToColumns(column, frame.Row(r.top + oy * factor + dy) + 3 * r.left, kept);
        std::uint8_t* dst = out.Row(oy);
        const Column* block = column;
        for (int ox = 0; ox < outWidth; ++ox)
        {
            std::uint32_t b = 0, g = 0, red = 0;
            for (int dx = 0; dx < factor; ++dx, block += 3)
            {
                b += block[0];
                g += block[1];
                red += block[2];
            }
            dst[3 * ox] = std::uint8_t((b * magic) >> (32 + shift));
            dst[3 * ox + 1] = std::uint8_t((g * magic) >> (32 + shift));
            dst[3 * ox + 2] = std::uint8_t((red * magic) >> (32 + shift));
        }
    }
}

// Box shrink of a 24-bit rectangle straight from the frame's rows: the same
// block means as cropping first and shrinking the crop, without copying the
// crop.
bool ShrinkRectInto(const CDib& frame, const CropRect& r, int factor, CDib& out)
{
    const int outWidth = (r.right - r.left) / factor;
    const int outHeight = (r.bottom - r.top) / factor;
    if (outWidth <= 0 || outHeight <= 0)
        return false;
    // Every pixel is written below; only the row padding is cleared.
    if (out.CreateForOverwrite(outWidth, outHeight, 24, frame.XResolution()) == 0)
        return false;
    ForRowBands(
        outHeight, std::size_t(outHeight) * std::size_t(frame.RowSize()) * std::size_t(factor),
        [&](int first, int end)
        {
            if (factor <= 257)
                ShrinkRows<std::uint16_t>(frame, r, factor, out, first, end);
            else
                ShrinkRows<std::uint32_t>(frame, r, factor, out, first, end);
        },
        RowCost::Compute);
    return true;
}

} // namespace

int CImageProfile::ProcessImage(int mode, CDib& image)
{
    const bool full = mode == 0;
    const int inset = full ? 200 : 0;
    const int width = image.Width();
    const int height = image.Height();
    const PictureMode& active = ActiveMode();

    block.height = height;
    block.width = width;
    block.awbRegion = {inset, width - inset, inset, height - inset};
    block.aeRegion = {0, width, 0, height};
    block.negative = std::uint8_t(negative);
    block.CE_Sel = std::uint8_t(active.color);

    if (reverse == 1)
        image.Invert(nullptr, 0, 0, width, height);

    if (width == 0 || height == 0 || !image.HasPixels())
    {
        tavrel::AfxMessageBox("Error, Image size was wrong!");
        return 0;
    }

    // The steps below read 24-bit rows; a grey picture is widened first so
    // that its bytes are never taken for colour pixels, anything else refused.
    if (image.BitsPerPixel() == 8)
    {
        CDib colour;
        if (image.GreyToRgb(&colour) == 0 || image.CopyFrom(colour) == 0)
            return 0;
    }
    else if (image.BitsPerPixel() != 24)
    {
        return 0;
    }

    if (Flavour() == ProfileFlavour::Manager)
    {
        if (denoiseEnabled == 1 && full)
        {
            block.denoiseSwitch = std::uint8_t(denoiseEnabled);
            if (restorationEntry != nullptr)
                restorationEntry(&block, image.Pixels());
        }
    }
    else
    {
        // The remove-noise box asks for denoising of stored pictures; the
        // profile's switches ask for the restoration, in the preview too, so
        // that it shows what will be stored.
        const bool denoise = full && denoiseEnabled == 1;
        const bool restore = block.AWB_En != 0 || block.AE_En != 0;
        block.denoiseSwitch = std::uint8_t(denoise ? 1 : 0);
        if ((denoise || restore) && restorationEntry != nullptr)
            restorationEntry(&block, image.Pixels());
    }

    AdjustInPlace(image, active);
    if (Flavour() == ProfileFlavour::Capture && doubleResolution == 1 && full)
        ResampleTo(image, 2 * width, 2 * height);

    if (gray == 1)
    {
        if (Flavour() == ProfileFlavour::Capture)
        {
            CDib grey;
            if (image.ConvertToGrey(&grey, 0) != 0)
                grey.GreyToRgb(&image);
        }
        else
        {
            image.ConvertToGrey(nullptr, 0);
        }
    }
    return 1;
}

int PreviewShrinkFactor(int croppedWidth, int targetWidth)
{
    if (targetWidth <= 0)
        return 0;
    return std::max(croppedWidth / targetWidth, 1);
}

std::unique_ptr<CDib> MakePreviewFrame(CImageProfile& profile, const CDib& frame,
                                       const FrameMargins& previewMargins, int targetWidth)
{
    if (!frame.HasPixels() || targetWidth <= 0)
        return nullptr;
    CropRect rect = MarginRect(frame, previewMargins);
    if (rect.left >= rect.right || rect.top >= rect.bottom)
        return nullptr;
    const int factor = PreviewShrinkFactor(rect.right - rect.left, targetWidth);
    const bool turn = profile.rotate == 1;

    // Turning the small picture instead of the frame gives the same pixels:
    // the half turn maps f × f blocks onto f × f blocks once the rows and
    // columns that the shrink would drop are dropped on the far side first.
    if (turn)
    {
        rect = Mirrored(frame, rect);
        const int keptWidth = (rect.right - rect.left) / factor * factor;
        const int keptHeight = (rect.bottom - rect.top) / factor * factor;
        rect.left = rect.right - keptWidth;
        rect.top = rect.bottom - keptHeight;
    }
    if (rect.left >= rect.right || rect.top >= rect.bottom)
        return nullptr;

    auto picture = std::make_unique<CDib>();
    if (factor == 1)
    {
        if (CropFrom(frame, *picture, rect) == 0)
            return nullptr;
    }
    else if (frame.BitsPerPixel() == 24)
    {
        if (!ShrinkRectInto(frame, rect, factor, *picture))
            return nullptr;
    }
    else
    {
        CDib cropped;
        if (CropFrom(frame, cropped, rect) == 0 ||
            cropped.ShrinkByFactor(picture.get(), factor) == 0)
            return nullptr;
    }
    if (picture->Width() == 0 || picture->Height() == 0)
        return nullptr;
    if (turn && picture->Rotate(nullptr, kHalfTurn, 0) == 0)
        return nullptr;

    if (profile.ProcessImage(1, *picture) == 0)
        return nullptr;
    if (profile.pictureType == 2 && picture->BitsPerPixel() == 24)
        picture->ConvertToGrey(nullptr, 0);
    return picture;
}

int MakeStillPicture(CImageProfile& profile, const CDib& frame, const FrameMargins& captureMargins,
                     int targetWidth, int targetHeight, CDib& picture, std::string* trace)
{
    const auto start = std::chrono::steady_clock::now();
    if (!frame.HasPixels())
        return 0;
    CropRect rect = MarginRect(frame, captureMargins);
    if (rect.left > rect.right || rect.top > rect.bottom)
        return 0;
    if (profile.rotate == 1)
    {
        // Crop the mirrored rectangle, then turn only what is kept.
        CDib cropped;
        if (CropFrom(frame, cropped, Mirrored(frame, rect)) == 0)
            return 0;
        if (cropped.Rotate(&picture, kHalfTurn, 0) == 0)
            return 0;
        AppendTrace(trace, "Rotate:%d\n", MillisecondsSince(start));
    }
    else if (CropFrom(frame, picture, rect) == 0)
    {
        return 0;
    }
    AppendTrace(trace, "Crop:%d\n", MillisecondsSince(start));

    if (targetWidth > 0 && targetHeight > 0 &&
        (targetWidth != picture.Width() || targetHeight != picture.Height()) &&
        picture.Width() > 0 && picture.Height() > 0)
    {
        ResampleTo(picture, targetWidth, targetHeight);
        AppendTrace(trace, "Resample:%d\n", MillisecondsSince(start));
        AppendTrace(trace, "Save:%d\n", MillisecondsSince(start));
    }
    return profile.ProcessImage(0, picture);
}

int RestoreToBitmap(CImageProfile& profile, CDib& picture, ProgressFn progress,
                    const std::string& bmpPath)
{
    profile.SetProgressCallback(progress);
    if (profile.ProcessImage(0, picture) == 0)
        return 0;
    return picture.SaveFile(bmpPath, kFormatBmp);
}

int DoublePictureSize(CDib& picture)
{
    if (!picture.HasPixels() || picture.Width() == 0 || picture.Height() == 0)
        return 0;
    const int width = 2 * picture.Width();
    const int height = 2 * picture.Height();
    if (picture.BitsPerPixel() == 24)
        return ResampleTo(picture, width, height) ? 1 : 0;
    if (picture.BitsPerPixel() != 8)
        return 0;
    CDib colour;
    if (picture.GreyToRgb(&colour) == 0 || !ResampleTo(colour, width, height))
        return 0;
    // Equal channels stay equal through the resampling, so this is exact.
    return colour.ConvertToGrey(&picture, 0);
}

int ProcessReceivedPicture(CImageProfile& profile, std::uint64_t kind, CDib& picture)
{
    if (kind == COPYDATA_PROCESSED_PICTURE)
        return 1;
    if (kind != COPYDATA_PICTURE_FILE && profile.ProcessImage(0, picture) == 0)
        return 0;
    if (profile.doubleResolution == 1)
        return DoublePictureSize(picture);
    return 1;
}

} // namespace tavrel
