// The file list over a big folder, as the user meets it: how long until the
// folder is listed, until every thumbnail is drawn, the longest stretch the
// UI thread could not answer meanwhile, and the peak memory.
//   browser_bench --make-pictures DIR COUNT   writes COUNT 5 MP JPEG scans
//   browser_bench --pane DIR                   opens DIR in the icon view
// plus Google Benchmark figures of the single steps with --folder DIR.

#include "browser/FileBrowser.h"
#include "browser/FolderListing.h"
#include "browser/ThumbnailCell.h"
#include "browser/qt/BrowserQt.h"
#include "browser/qt/FileListModel.h"
#include "browser/qt/FileView.h"
#include "browser/qt/QtBrowserDialogs.h"
#include "browser/qt/QtFileClipboard.h"
#include "imaging/codecs/ImageCodec.h"
#include "imaging/codecs/Thumbnail.h"
#include "imaging/cwimage/dib/Dib.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListView>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include <sys/resource.h>
#include <time.h>

namespace
{

using namespace tavrel;
std::string g_folder;

// A scan-like picture: smooth shapes with film grain, so the files have the
// size of real 5 MP scans at quality 95.
void MakePictures(const std::string& folder, int count)
{
    namespace fs = std::filesystem;
    fs::create_directories(folder);
    constexpr int kDistinct = 16;
    std::mt19937 random(7);
    for (int i = 0; i < std::min(count, kDistinct); ++i)
    {
        CDib picture;
        picture.Create(2592, 1944, 24, 300);
        const int cx = 400 + int(random() % 1800), cy = 300 + int(random() % 1300);
        for (int y = 0; y < 1944; ++y)
        {
            std::uint8_t* row = picture.Row(y);
            for (int x = 0; x < 2592; ++x)
            {
                const int d = ((x - cx) * (x - cx) + (y - cy) * (y - cy)) >> 12;
                const int grain = int(random() % 24);
                row[3 * x] = std::uint8_t(std::clamp(40 + (x >> 4) + grain - (d & 63), 0, 255));
                row[3 * x + 1] = std::uint8_t(std::clamp(80 + (y >> 4) + grain, 0, 255));
                row[3 * x + 2] = std::uint8_t(std::clamp(120 + ((d * 3) & 127) + grain, 0, 255));
            }
        }
        char name[64];
        std::snprintf(name, sizeof name, "/1985-%04d.jpg", i);
        picture.SaveFile(folder + name, kFormatJpeg95);
    }
    for (int i = kDistinct; i < count; ++i)
    {
        char from[64], to[64];
        std::snprintf(from, sizeof from, "/1985-%04d.jpg", i % kDistinct);
        std::snprintf(to, sizeof to, "/1985-%04d.jpg", i);
        fs::copy_file(folder + from, folder + to, fs::copy_options::overwrite_existing);
    }
}

class NullFrame : public IBrowserFrame
{
public:
    void SetStatusText(const std::string&) override {}
    void SetEditFlag(EditFlag, bool) override {}
    void SetLabelEditing(bool) override {}
    bool IsClosing() const override { return false; }
};

class NoSettings : public IBrowserSettings
{
public:
    int GetDefaultViewMode(int& mode) const override { return mode = 0, 1; }
    int SetDefaultViewMode(int) const override { return 1; }
    int GetSelectedItem(std::string&) const override { return 0; }
    int SetSelectedItem(const std::string&) const override { return 1; }
    int GetSelection(std::string&) const override { return 0; }
};

double LoadAverage()
{
    double load[1] = {0};
    return ::getloadavg(load, 1) == 1 ? load[0] : -1;
}

// Processor time of the calling thread.
double ThreadCpuMs()
{
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
}

long PeakRssKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

int RunPane(int argc, char** argv, const std::string& folder)
{
    QApplication app(argc, argv);
    NullFrame frame;
    NoSettings settings;
    QtBrowserDialogs dialogs;
    QtFileClipboard clipboard;
    BrowserServices services;
    services.settings = &settings;
    services.frame = &frame;
    services.dialogs = &dialogs;
    services.clipboard = &clipboard;
    services.post = QtPoster();
    services.texts = QtBrowserTexts();
    services.paths = DefaultShellPaths();
    CFileBrowser browser(services);
    CFileView view(browser);
    view.resize(1000, 700);
    view.show();

    // The UI thread's longest gap between two 5 ms ticks, and the most
    // processor time it spent within one gap: on a machine shared with
    // other work the first also counts the time the thread was not
    // scheduled at all, the second only what the program itself did.
    QElapsedTimer sinceTick;
    qint64 longestGapMs = 0;
    double tickCpuMs = 0, longestBusyMs = 0;
    QTimer probe;
    probe.setInterval(5);
    QObject::connect(&probe, &QTimer::timeout,
                     [&]
                     {
                         longestGapMs = std::max(longestGapMs, sinceTick.elapsed());
                         sinceTick.restart();
                         const double cpu = ThreadCpuMs();
                         longestBusyMs = std::max(longestBusyMs, cpu - tickCpuMs);
                         tickCpuMs = cpu;
                     });

    QElapsedTimer clock;
    qint64 listedMs = -1, laidOutMs = -1, thumbnailsMs = -1;
    QTimer watch;
    watch.setInterval(1);
    QObject::connect(
        &watch, &QTimer::timeout,
        [&]
        {
            const bool filled = !browser.List().Loading() && !browser.List().Items().empty();
            if (filled && listedMs < 0)
                listedMs = clock.elapsed();
            if (filled && laidOutMs < 0 &&
                view.IconView()->visualRect(view.Model()->index(0, 0)).isValid())
                laidOutMs = clock.elapsed();
            if (filled && thumbnailsMs < 0 && !browser.List().ThumbnailWorker().Running())
            {
                thumbnailsMs = clock.elapsed();
                app.quit();
            }
        });
    QTimer::singleShot(0,
                       [&]
                       {
                           sinceTick.start();
                           tickCpuMs = ThreadCpuMs();
                           probe.start();
                           watch.start();
                           clock.start();
                           browser.List().ShowFolder(folder);
                           if (listedMs < 0 && !browser.List().Items().empty())
                               listedMs = clock.elapsed();
                       });
    app.exec();
    const std::size_t items = browser.List().Items().size();
    std::size_t drawn = 0;
    for (const ListItem& item : browser.List().Items())
        drawn += item.thumbnail ? 1 : 0;
    std::printf("items %zu thumbnails %zu\n", items, drawn);
    std::printf("listed_ms %lld\nlaid_out_ms %lld\nthumbnails_ms %lld\nui_longest_gap_ms %lld\n"
                "ui_longest_busy_ms %.1f\npeak_rss_mb %.1f\nload_average %.2f\n",
                (long long)listedMs, (long long)laidOutMs, (long long)thumbnailsMs,
                (long long)longestGapMs, longestBusyMs, PeakRssKb() / 1024.0, LoadAverage());
    return drawn == items ? 0 : 1;
}

void BM_ListFolder(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(ListFolder(g_folder, ListDetail::Full));
}
BENCHMARK(BM_ListFolder)->Unit(benchmark::kMillisecond);

void BM_OneThumbnail(benchmark::State& state)
{
    const std::string path = g_folder + "/1985-0000.jpg";
    for (auto _ : state)
    {
        CDib picture;
        LoadThumbnail(path, picture, kThumbnailWidth, kThumbnailHeight);
        benchmark::DoNotOptimize(RenderThumbnailCell(picture));
    }
}
BENCHMARK(BM_OneThumbnail)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i + 1 < argc; ++i)
    {
        if (!std::strcmp(argv[i], "--make-pictures") && i + 2 < argc)
        {
            MakePictures(argv[i + 1], std::atoi(argv[i + 2]));
            return 0;
        }
        if (!std::strcmp(argv[i], "--pane"))
            return RunPane(argc, argv, argv[i + 1]);
        if (!std::strcmp(argv[i], "--folder"))
            g_folder = argv[i + 1];
    }
    if (g_folder.empty())
    {
        std::fprintf(stderr, "usage: browser_bench --make-pictures DIR N | --pane DIR | "
                             "--folder DIR [benchmark options]\n");
        return 2;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
