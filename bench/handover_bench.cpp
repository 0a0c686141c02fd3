// Time from send to stored file for a full-size scanner picture (2592 x
// 1944): the capture side's send step against a receiver process (the test
// host window with the real receiver engine), JPEG and TIFF 48 bits. The
// send is synchronous, so it returns once the file is stored.

#include "capture/HandoverSender.h"
#include "imaging/ImageProfile.h"
#include "imaging/cwimage/dib/Dib.h"
#include "platform/Desktop.h"
#include "platform/Paths.h"
#include "platform/SharedSection.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>
#include <unistd.h>

extern char** environ;

namespace tavrel::bench
{

namespace fs = std::filesystem;

namespace
{

struct Receiver
{
    pid_t pid = -1;
    std::string root;
    std::string dest;

    bool Start()
    {
        char pattern[] = "/tmp/tavrel-bench-XXXXXX";
        if (mkdtemp(pattern) == nullptr)
            return false;
        root = pattern;
        dest = root + "/dest";
        fs::create_directories(dest);
        fs::create_directories(root + "/home");
        fs::create_directories(root + "/run");
        fs::permissions(root + "/run", fs::perms::owner_all);
        ::setenv("TAVREL_RUNTIME_DIR", (root + "/run").c_str(), 1);
        ::setenv("TAVREL_HOME", (root + "/home").c_str(), 1);
        const std::string host = tavrel::ExecutableFolder() + "/../bin/tavrel_handover_host";
        char* argv[] = {const_cast<char*>(host.c_str()), const_cast<char*>(dest.c_str()), nullptr};
        if (posix_spawn(&pid, host.c_str(), nullptr, nullptr, argv, environ) != 0)
        {
            std::fprintf(stderr, "cannot start %s (build tavrel_handover_host)\n", host.c_str());
            return false;
        }
        // Poll for the window with a deadline.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (tavrel::Desktop::FindWindow("Pelidor") == 0)
        {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return true;
    }

    ~Receiver()
    {
        if (pid > 0)
        {
            ::kill(pid, SIGTERM);
            ::waitpid(pid, nullptr, 0);
        }
        std::error_code ec;
        if (!root.empty())
            fs::remove_all(root, ec);
    }
};

Receiver& TheReceiver()
{
    static Receiver receiver;
    static const bool started = receiver.Start();
    (void)started;
    return receiver;
}

void SendFullSize(benchmark::State& state, std::int32_t format, std::int32_t depth)
{
    Receiver& receiver = TheReceiver();
    if (tavrel::Desktop::FindWindow("Pelidor") == 0)
    {
        state.SkipWithError("no receiver");
        return;
    }
    CDib picture;
    picture.Create(2592, 1944, 24, 300);
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.RowSize(); ++x)
            picture.Row(y)[x] = std::uint8_t((x * 3 + y * 7) & 0xFF);
    CImageProfile profile(ProfileFlavour::Capture);
    profile.LoadProfile(tavrel::ShareFolder() + "/Positive.xml");
    for (auto _ : state)
    {
        tavrel::CHandoverSender sender;
        sender.FindManager();
        sender.PrepareNames();
        const auto result = sender.Send(picture, profile, format, depth);
        if (result.outcome != tavrel::CHandoverSender::Outcome::Stored)
        {
            state.SkipWithError("picture not stored");
            break;
        }
        state.PauseTiming();
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(receiver.dest, ec))
            fs::remove(e.path(), ec);
        state.ResumeTiming();
    }
}

void BM_HandoverJpeg(benchmark::State& state)
{
    SendFullSize(state, tavrel::kOutputJpeg, tavrel::kBitDepth24);
}
void BM_HandoverTiff48(benchmark::State& state)
{
    SendFullSize(state, tavrel::kOutputTiff, tavrel::kBitDepth48);
}

// The pixels' trip through a section of that size, written by one side and
// taken by the other: through the section's descriptor, as the programs do
// (a section cut short then fails the copy instead of faulting), and through
// mapped views for comparison.
void SectionTrip(benchmark::State& state, bool mapped)
{
    TheReceiver(); // its session
    const std::size_t bytes = std::size_t(2592) * 3 * 1944;
    std::vector<std::uint8_t> pixels(bytes, 7), taken(bytes);
    for (auto _ : state)
    {
        tavrel::SharedSection::Status status;
        auto created = tavrel::SharedSection::Create("BenchSection", bytes, &status);
        auto opened = tavrel::SharedSection::Open("BenchSection");
        if (!created || !opened)
        {
            state.SkipWithError("no section");
            break;
        }
        if (mapped)
        {
            std::memcpy(created->Map(), pixels.data(), bytes);
            std::memcpy(taken.data(), opened->Map(), bytes);
        }
        else if (!created->Write(0, pixels.data(), bytes) || !opened->Read(0, taken.data(), bytes))
        {
            state.SkipWithError("copy failed");
            break;
        }
        benchmark::DoNotOptimize(taken.data());
    }
}

void BM_SectionThroughDescriptor(benchmark::State& state)
{
    SectionTrip(state, false);
}
void BM_SectionThroughViews(benchmark::State& state)
{
    SectionTrip(state, true);
}

BENCHMARK(BM_HandoverJpeg)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_HandoverTiff48)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SectionThroughDescriptor)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SectionThroughViews)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

} // namespace tavrel::bench

BENCHMARK_MAIN();
