#pragma once
// The benchmarks' test picture: 2592 × 1944, 24-bit, photo-like (soft colour
// gradients, a few hard-edged shapes) with film grain, the same bytes on
// every run so that our figures and the peers' refer to one picture.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace tavrel::benchpicture
{

constexpr int kWidth = 2592;
constexpr int kHeight = 1944;

inline int RowBytes(int width)
{
    return (3 * width + 3) / 4 * 4;
}

// Blue, green, red rows, padded to 4 bytes.
inline const std::vector<std::uint8_t>& Photo()
{
    static const std::vector<std::uint8_t> pixels = []
    {
        const int rowBytes = RowBytes(kWidth);
        std::vector<std::uint8_t> p(std::size_t(rowBytes) * kHeight, 0);
        std::uint32_t seed = 0x2545F491u;
        auto grain = [&seed]
        {
            // Sum of four uniform draws: roughly Gaussian, sigma about 6 levels.
            int s = 0;
            for (int i = 0; i < 4; ++i)
            {
                seed ^= seed << 13;
                seed ^= seed >> 17;
                seed ^= seed << 5;
                s += int(seed & 0x1F);
            }
            return s - 62;
        };
        auto clamp = [](int v) { return std::uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v)); };
        for (int y = 0; y < kHeight; ++y)
        {
            std::uint8_t* row = p.data() + std::size_t(y) * rowBytes;
            for (int x = 0; x < kWidth; ++x)
            {
                int r = 60 + 140 * x / kWidth + 30 * y / kHeight;
                int g = 90 + 80 * y / kHeight;
                int b = 200 - 150 * y / kHeight;
                const int dx = x - 1700, dy = y - 900;
                if (dx * dx + dy * dy < 420 * 420) // a warm disc
                {
                    r = 220;
                    g = 150 - dy / 8;
                    b = 60;
                }
                if (x > 300 && x < 900 && y > 1200 && y < 1800) // a dark green block
                {
                    r = 40;
                    g = 90 + (x - 300) / 10;
                    b = 35;
                }
                const int n = grain();
                row[3 * x] = clamp(b + n);
                row[3 * x + 1] = clamp(g + n);
                row[3 * x + 2] = clamp(r + n);
            }
        }
        return p;
    }();
    return pixels;
}

// The same picture as a binary PPM (red, green, blue) for the peer programs.
inline bool WritePpm(const std::string& path)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    std::fprintf(f, "P6\n%d %d\n255\n", kWidth, kHeight);
    const auto& p = Photo();
    std::vector<std::uint8_t> line(std::size_t(kWidth) * 3);
    for (int y = 0; y < kHeight; ++y)
    {
        const std::uint8_t* row = p.data() + std::size_t(y) * RowBytes(kWidth);
        for (int x = 0; x < kWidth; ++x)
        {
            line[3 * x] = row[3 * x + 2];
            line[3 * x + 1] = row[3 * x + 1];
            line[3 * x + 2] = row[3 * x];
        }
        std::fwrite(line.data(), 1, line.size(), f);
    }
    return std::fclose(f) == 0;
}

// main() of a benchmark over this picture: `--write-picture=PATH` writes the
// picture for the peer programs and exits, anything else runs the benchmarks.
inline int BenchmarkMain(int argc, char** argv)
{
    const char* flag = "--write-picture=";
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], flag, std::strlen(flag)) == 0)
            return WritePpm(argv[i] + std::strlen(flag)) ? 0 : 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace tavrel::benchpicture
