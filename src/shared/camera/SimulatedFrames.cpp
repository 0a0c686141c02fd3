#include "shared/camera/SimulatedFrames.h"

#include "shared/camera/CameraControl.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <mutex>

namespace tavrel
{

namespace
{

struct Rgb
{
    std::uint8_t r, g, b;
};

constexpr Rgb kChart[3][6] = {
    {{115, 82, 68},
     {194, 150, 130},
     {98, 122, 157},
     {87, 108, 67},
     {133, 128, 177},
     {103, 189, 170}},
    {{214, 126, 44}, {80, 91, 166}, {193, 90, 99}, {94, 60, 108}, {157, 188, 64}, {224, 163, 46}},
    {{56, 61, 150}, {70, 148, 73}, {175, 54, 60}, {231, 199, 31}, {187, 86, 149}, {8, 133, 161}}};

std::uint8_t Clamp8(double value)
{
    return static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L));
}

Rgb Mix(Rgb a, Rgb b, double t)
{
    return {Clamp8(a.r + (b.r - a.r) * t), Clamp8(a.g + (b.g - a.g) * t),
            Clamp8(a.b + (b.b - a.b) * t)};
}

// The slide itself, gamma-encoded, as a reflective positive would show it.
Rgb ScenePixel(int x, int y, int width, int height)
{
    const double u = (x + 0.5) / width;
    const double v = (y + 0.5) / height;
    if (u < 0.03 || u > 0.97 || v < 0.04 || v > 0.96)
    {
        return {0, 0, 0}; // the mount
    }
    // Colour chart.
    if (u >= 0.06 && u < 0.60 && v >= 0.38 && v < 0.74)
    {
        double cu = (u - 0.06) / 0.54 * 6, cv = (v - 0.38) / 0.36 * 3;
        int col = std::min(5, static_cast<int>(cu)), row = std::min(2, static_cast<int>(cv));
        double fu = cu - col, fv = cv - row;
        if (fu > 0.08 && fu < 0.92 && fv > 0.08 && fv < 0.92)
        {
            return kChart[row][col];
        }
        return {52, 52, 52};
    }
    // Spoke star, round in pixels.
    const double minSide = std::min(width, height);
    const double dx = x + 0.5 - 0.80 * width, dy = y + 0.5 - 0.56 * height;
    const double radius = 0.17 * minSide, r = std::sqrt(dx * dx + dy * dy);
    if (r < radius)
    {
        if (r < 0.08 * radius)
        {
            return {128, 128, 128};
        }
        std::uint8_t level = std::sin(18.0 * std::atan2(dy, dx)) > 0 ? 235 : 20;
        return {level, level, level};
    }
    // Line pairs, period growing from 2 to 8 pixels.
    if (u >= 0.06 && u < 0.94 && v >= 0.76 && v < 0.79)
    {
        int half = 1 + static_cast<int>((u - 0.06) / 0.88 * 4);
        std::uint8_t level = (x / half) % 2 ? 230 : 25;
        return {level, level, level};
    }
    // Grey scale.
    if (u >= 0.06 && u < 0.94 && v >= 0.80 && v < 0.92)
    {
        int step = std::min(10, static_cast<int>((u - 0.06) / 0.88 * 11));
        std::uint8_t level = Clamp8(step * 25.5);
        return {level, level, level};
    }
    if (v < 0.33)
    {
        Rgb sky = Mix({40, 90, 170}, {180, 205, 230}, v / 0.33);
        double sx = (u - 0.80) * width / minSide, sy = (v - 0.12) * height / minSide;
        double glow = std::exp(-(sx * sx + sy * sy) / 0.004);
        return Mix(sky, {255, 240, 200}, glow);
    }
    Rgb ground = Mix({70, 110, 50}, {150, 115, 70}, u);
    return Mix(ground, {30, 40, 25}, (v - 0.33) / 0.67 * 0.6);
}

// The light box: linear light relative to its brightest point falls off as
// 1 / (1 + k r²)², r the distance from that point over half the diagonal.
constexpr double kLightCentre[2] = {0.52, 0.48};
constexpr double kLightFalloff = 0.29;
// Brightest linear level with the default exposure, and the lamp's colour
// (red, green, blue).
constexpr double kLightPeak = 0.86;
constexpr double kLightTint[3] = {1.0, 0.96, 0.88};

// The fall-off of each pixel as a factor on encoded values (1/65535 steps).
std::vector<std::uint16_t> MakeFalloff(int width, int height)
{
    // (1 + k r²)^(-2/2.2) over r² in [0, 4] (the far corner of an off-centre
    // light), tabulated finely enough that neighbours never step by a level.
    constexpr int kSteps = 8192;
    constexpr double kMaxR2 = 4.0;
    std::vector<std::uint16_t> table(kSteps + 1);
    for (int i = 0; i <= kSteps; ++i)
    {
        const double r2 = kMaxR2 * i / kSteps;
        table[i] = static_cast<std::uint16_t>(
            std::lround(65535.0 * std::pow(1.0 + kLightFalloff * r2, -2.0 / 2.2)));
    }
    const double half = 0.5 * std::sqrt(double(width) * width + double(height) * height);
    std::vector<std::uint16_t> falloff(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y)
    {
        const double dy = (y + 0.5 - kLightCentre[1] * height) / half;
        for (int x = 0; x < width; ++x)
        {
            const double dx = (x + 0.5 - kLightCentre[0] * width) / half;
            const double r2 = std::min(dx * dx + dy * dy, kMaxR2);
            falloff[static_cast<std::size_t>(y) * width + x] =
                table[static_cast<std::size_t>(std::lround(r2 / kMaxR2 * kSteps))];
        }
    }
    return falloff;
}

// The scene of one size, kept for the preview and the still sizes, and the
// light box's fall-off at that size, made when first asked for.
class SceneCache
{
public:
    std::shared_ptr<const std::vector<Rgb>> Get(int width, int height)
    {
        std::lock_guard lock(m_mutex);
        return Find(width, height).pixels;
    }

    std::shared_ptr<const std::vector<std::uint16_t>> Falloff(int width, int height)
    {
        std::lock_guard lock(m_mutex);
        Entry& entry = Find(width, height);
        if (!entry.falloff)
        {
            entry.falloff =
                std::make_shared<const std::vector<std::uint16_t>>(MakeFalloff(width, height));
        }
        return entry.falloff;
    }

private:
    struct Entry
    {
        int width = 0, height = 0;
        std::shared_ptr<const std::vector<Rgb>> pixels;
        std::shared_ptr<const std::vector<std::uint16_t>> falloff;
    };

    Entry& Find(int width, int height)
    {
        for (auto& entry : m_entries)
        {
            if (entry.width == width && entry.height == height && entry.pixels)
            {
                return entry;
            }
        }
        auto pixels = std::make_shared<std::vector<Rgb>>(static_cast<std::size_t>(width) * height);
        for (int y = 0; y < height; ++y)
        {
            for (int x = 0; x < width; ++x)
            {
                (*pixels)[static_cast<std::size_t>(y) * width + x] =
                    ScenePixel(x, y, width, height);
            }
        }
        Entry& slot = m_entries[m_next];
        slot = {width, height, pixels, nullptr};
        m_next = (m_next + 1) % m_entries.size();
        return slot;
    }

    std::mutex m_mutex;
    std::array<Entry, 3> m_entries;
    std::size_t m_next = 0;
};

SceneCache& Scenes()
{
    static SceneCache cache;
    return cache;
}

double Decode(double encoded)
{
    return std::pow(encoded / 255.0, 2.2);
}

// Density of a film layer: base + contrast × log10(light / darkest light).
double FilmDensity(double base, double contrast, int sceneValue)
{
    constexpr double kDarkest = 0.004; // the scene's black, about 8 stops down
    return base + contrast * std::log10(std::max(Decode(sceneValue), kDarkest) / kDarkest);
}

// Per-channel tables from the scene's encoded value (or, for black-and-white
// film, its luminance) to the sensor's encoded output. `level` is that output
// before clipping, for the light box to scale.
struct Tables
{
    std::array<std::array<std::uint8_t, 256>, 3> channel; // r, g, b
    std::array<std::array<float, 256>, 3> level;          // r, g, b
    bool fromLuminance = false;
    bool greyOutput = false;
};

Tables MakeTables(const SlideConditions& c)
{
    // Orange mask and layer contrasts of a colour negative, red, green, blue.
    static constexpr double kBaseDensity[3] = {0.0, 0.26, 0.60};
    static constexpr double kLayerContrast[3] = {0.55, 0.62, 0.68};
    static constexpr double kPaper[3] = {1.0, 0.98, 0.93};
    static constexpr double kNegativeGain[3] = {1.0, 1.05, 1.15};
    Tables t;
    t.fromLuminance = c.film == HolderFilm::BlackWhite;
    t.greyOutput = c.sensor == SensorFilmType::BlackWhite;
    const double gain = std::max(0, c.exposureGain) / 64.0;
    for (int ch = 0; ch < 3; ++ch)
    {
        double sensorGain = c.sensor == SensorFilmType::Negative ? kNegativeGain[ch] : 1.0;
        if (c.lightBox)
        {
            sensorGain *= kLightPeak * kLightTint[ch];
        }
        for (int i = 0; i < 256; ++i)
        {
            double transmission;
            switch (c.film)
            {
            case HolderFilm::Negative:
                transmission =
                    std::pow(10.0, -FilmDensity(kBaseDensity[ch], kLayerContrast[ch], i));
                break;
            case HolderFilm::BlackWhite:
                transmission = std::pow(10.0, -FilmDensity(0.08, 0.62, i));
                break;
            case HolderFilm::Print:
                transmission = kPaper[ch] * (0.04 + 0.86 * Decode(i));
                break;
            case HolderFilm::None:
                transmission = 1.0;
                break;
            default:
                transmission = Decode(i);
                break;
            }
            const double light = std::max(gain * sensorGain * transmission, 0.0);
            t.level[ch][i] = static_cast<float>(255.0 * std::pow(light, 1.0 / 2.2));
            t.channel[ch][i] = Clamp8(255.0 * std::pow(std::min(light, 1.0), 1.0 / 2.2));
        }
    }
    return t;
}

template <typename Emit>
bool Render(const SlideConditions& conditions, int width, int height, Emit emit)
{
    if (width < 1 || height < 1)
    {
        return false;
    }
    auto scene = Scenes().Get(width, height);
    auto falloff = conditions.lightBox ? Scenes().Falloff(width, height) : nullptr;
    const Tables t = MakeTables(conditions);
    for (int y = 0; y < height; ++y)
    {
        const Rgb* row = scene->data() + static_cast<std::size_t>(y) * width;
        const std::uint16_t* light =
            falloff ? falloff->data() + static_cast<std::size_t>(y) * width : nullptr;
        for (int x = 0; x < width; ++x)
        {
            Rgb s = row[x];
            int ir = s.r, ig = s.g, ib = s.b;
            if (t.fromLuminance)
            {
                ir = ig = ib = (77 * s.r + 150 * s.g + 29 * s.b + 128) >> 8;
            }
            int r, g, b;
            if (light != nullptr)
            {
                const float f = light[x] * (1.0f / 65535.0f);
                r = static_cast<int>(std::min(t.level[0][ir] * f + 0.5f, 255.0f));
                g = static_cast<int>(std::min(t.level[1][ig] * f + 0.5f, 255.0f));
                b = static_cast<int>(std::min(t.level[2][ib] * f + 0.5f, 255.0f));
            }
            else
            {
                r = t.channel[0][ir];
                g = t.channel[1][ig];
                b = t.channel[2][ib];
            }
            if (t.greyOutput)
            {
                r = g = b = (77 * r + 150 * g + 29 * b + 128) >> 8;
            }
            emit(x, y, r, g, b);
        }
    }
    return true;
}

} // namespace

SlideConditions SlideConditionsFromState(const SimScannerState& state)
{
    SlideConditions c;
    c.lightBox = true;
    std::uint8_t type = state.Register(kRegFilmType, 0);
    c.sensor = type <= 3 ? static_cast<SensorFilmType>(type) : SensorFilmType::Positive;
    c.exposureGain = state.Register(kRegExposureGain, 0x40);
    if (state.film != HolderFilm::Auto)
    {
        c.film = state.film;
    }
    else
    {
        static constexpr HolderFilm kMatching[] = {HolderFilm::Positive, HolderFilm::Negative,
                                                   HolderFilm::BlackWhite, HolderFilm::Print};
        c.film = kMatching[static_cast<int>(c.sensor)];
    }
    return c;
}

std::optional<SlideConditions> CurrentSlideConditions()
{
    auto state = SimScanner::Load();
    if (!state || !state->plugged)
    {
        return std::nullopt;
    }
    return SlideConditionsFromState(*state);
}

bool RenderSlideRgb24(const SlideConditions& conditions, int width, int height, std::uint8_t* dst,
                      std::size_t stride)
{
    if (dst == nullptr || width < 1 || stride < static_cast<std::size_t>(width) * 3)
    {
        return false;
    }
    return Render(conditions, width, height,
                  [&](int x, int y, int r, int g, int b)
                  {
                      std::uint8_t* p = dst + static_cast<std::size_t>(y) * stride + 3 * x;
                      p[0] = static_cast<std::uint8_t>(b);
                      p[1] = static_cast<std::uint8_t>(g);
                      p[2] = static_cast<std::uint8_t>(r);
                  });
}

std::vector<std::uint8_t> RenderSlideYuy2(const SlideConditions& conditions, int width, int height)
{
    if (width < 2 || height < 1 || width % 2 != 0)
    {
        return {};
    }
    const std::size_t stride = static_cast<std::size_t>(width) * 3;
    std::vector<std::uint8_t> bgr(stride * height);
    RenderSlideRgb24(conditions, width, height, bgr.data(), stride);
    std::vector<std::uint8_t> out(static_cast<std::size_t>(width) * height * 2);
    // Full-range BT.601 in 16.16 fixed point; a pair shares the mean chroma.
    auto luma = [](int b, int g, int r)
    { return (19595 * r + 38470 * g + 7471 * b + 32768) >> 16; };
    for (int y = 0; y < height; ++y)
    {
        const std::uint8_t* src = bgr.data() + y * stride;
        std::uint8_t* dst = out.data() + static_cast<std::size_t>(y) * width * 2;
        for (int x = 0; x < width; x += 2, src += 6, dst += 4)
        {
            int b = src[0] + src[3], g = src[1] + src[4], r = src[2] + src[5];
            int u = ((-11059 * r - 21709 * g + 32768 * b + 65536) >> 17) + 128;
            int v = ((32768 * r - 27439 * g - 5329 * b + 65536) >> 17) + 128;
            dst[0] = static_cast<std::uint8_t>(luma(src[0], src[1], src[2]));
            dst[1] = static_cast<std::uint8_t>(std::clamp(u, 0, 255));
            dst[2] = static_cast<std::uint8_t>(luma(src[3], src[4], src[5]));
            dst[3] = static_cast<std::uint8_t>(std::clamp(v, 0, 255));
        }
    }
    return out;
}

void PrepareSlide(int width, int height)
{
    if (width > 0 && height > 0)
    {
        Scenes().Get(width, height);
    }
}

bool RenderFrameRgb24(int width, int height, std::uint8_t* dst, std::size_t stride)
{
    auto conditions = CurrentSlideConditions();
    return conditions && RenderSlideRgb24(*conditions, width, height, dst, stride);
}

std::vector<std::uint8_t> RenderFrameYuy2(int width, int height)
{
    auto conditions = CurrentSlideConditions();
    return conditions ? RenderSlideYuy2(*conditions, width, height) : std::vector<std::uint8_t>{};
}

} // namespace tavrel
