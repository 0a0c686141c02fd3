// A press of the scanner's button (`tavrel-sim press`) to the stored JPEG,
// in still mode at 2592 x 1944, with the real Pelidor storing and the
// capture engine on a headless UI loop (the capture dialog adds only its
// drawing). Each step is timed by the trace line that opens it in
// "log.txt"; the end is the picture's file appearing in Pelidor's folder
// (it is renamed there once written and synced). Then the processor time
// of this process (engine, simulated camera, preview worker) and of
// Pelidor while the preview runs and nothing is pressed.
//
// Usage: press_bench [PRESSES] [PREVIEW_SECONDS]   (defaults: 10, 10)
// On a machine busy with other work, `chrt -f 1 press_bench` (root) gives
// the programs' own times rather than their wait for a turn.
// Not a google-benchmark: each press is one long end-to-end run.

#include "capture/CaptureEngine.h"
#include "platform/Desktop.h"
#include "platform/MessageLoop.h"
#include "platform/Paths.h"
#include "shared/camera/CameraControl.h"
#include "shared/camera/SimulatedScanner.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace
{

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// The trace lines that open each step of a device press, in order.
struct Step
{
    const char* name;
    const char* marker;
};
constexpr Step kSteps[] = {
    {"button seen by the poller", "StillPin Snap!"},
    {"still from the camera", "Enter CallBack!"},
    {"still converted (YUY2)", "Post Command!"},
    {"to the capture thread", "So this Action Entered!"},
    {"processed (crop, chain)", "Mapping File!"},
    {"section and profile copy", "Before Save!"},
};
constexpr int kStepCount = int(std::size(kSteps));

double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

template <class F> bool WaitUntil(F&& done, Clock::duration limit, Clock::duration period = 10ms)
{
    const auto deadline = Clock::now() + limit;
    while (!done())
    {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(period);
    }
    return true;
}

pid_t Spawn(const std::string& program, std::vector<std::string> args)
{
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    return pid;
}

// Processor time of a process in seconds, from /proc.
double ProcessCpuSeconds(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), {});
    const auto close = text.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i)
    {
        if (i == 14)
            utime = std::stoull(field);
        if (i == 15)
            stime = std::stoull(field);
    }
    return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

double CpuSeconds(int who)
{
    rusage u{};
    getrusage(who, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

std::vector<fs::path> StoredJpegs(const fs::path& folder)
{
    std::vector<fs::path> out;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    {
        const std::string name = it->path().filename().string();
        if (it->is_regular_file(ec) && name[0] != '.' && it->path().extension() == ".jpg")
            out.push_back(it->path());
    }
    return out;
}

class Bench
{
public:
    ~Bench()
    {
        if (m_engine)
            m_loop.Invoke([this] { m_engine.reset(); });
        m_window.reset();
        m_loop.Quit();
        if (m_loopThread.joinable())
            m_loopThread.join();
        if (m_pelidor > 0)
        {
            ::kill(m_pelidor, SIGTERM);
            ::waitpid(m_pelidor, nullptr, 0);
        }
        std::error_code ec;
        if (!m_root.empty())
            fs::remove_all(m_root, ec);
        if (!m_runtime.empty())
            fs::remove_all(m_runtime, ec);
    }

    bool Start()
    {
        const std::string build = tavrel::ExecutableFolder() + "/..";
        m_bin = build + "/bin";
        // Not under /tmp: a busy /tmp would be listed by Pelidor's panes.
        std::string pattern = build + "/bench/press.XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr)
            return Fail("cannot make a work folder under " + build + "/bench");
        m_root = pattern;
        m_pictures = m_root + "/Pictures";
        fs::create_directories(m_pictures);
        fs::create_directories(m_root + "/home");
        // The runtime folder in memory, as a session's is.
        std::string runtime = "/dev/shm/tavrel-press.XXXXXX";
        if (!fs::is_directory("/dev/shm") || mkdtemp(runtime.data()) == nullptr)
            runtime = m_root + "/run";
        m_runtime = runtime;
        fs::create_directories(runtime);
        fs::permissions(runtime, fs::perms::owner_all);
        ::setenv("TAVREL_RUNTIME_DIR", runtime.c_str(), 1);
        ::setenv("TAVREL_HOME", (m_root + "/home").c_str(), 1);
        ::setenv("TAVREL_SCANNER", "simulated", 1);
        ::setenv("TAVREL_SHARE_DIR", (build + "/share/tavrel").c_str(), 0);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        tavrel::SetScannerBackend(tavrel::ScannerBackend::Simulated);
        std::string error;
        if (!tavrel::PrepareProgramFolder(&error))
            return Fail(error);
        m_folder = tavrel::ProgramFolder();

        m_pelidor = Spawn(m_bin + "/Pelidor", {m_pictures});
        if (m_pelidor <= 0 ||
            !WaitUntil([] { return tavrel::Desktop::FindWindow("Pelidor") != 0; }, 60s))
            return Fail("Pelidor did not start (build the Pelidor target)");

        m_loopThread = std::thread([this] { m_loop.Run(); });
        m_window = tavrel::WindowEndpoint::Create(
            "Tavrel Camera", "照片预览",
            [this](const tavrel::Message& m, std::vector<std::uint8_t>&) -> tavrel::LRESULT
            { return m_engine ? m_engine->HandleWindowMessage(m).value_or(0) : 0; },
            m_loop.Dispatcher());
        bool running = false;
        m_loop.Invoke(
            [&]
            {
                tavrel::CaptureEngineOptions o;
                o.folder = m_folder;
                o.window = m_window ? m_window->Handle() : 0;
                m_engine = std::make_unique<tavrel::CCaptureEngine>(m_loop, std::move(o));
                m_engine->SetPreviewWidth(600);
                running = m_engine->Start() == tavrel::StartResult::Running;
            });
        if (!running)
            return Fail("the engine found no camera");
        if (!WaitUntil([this]
                       { return Idle() && m_engine->Frame() && !m_engine->RegisterWriteBusy(); },
                       60s))
            return Fail("the preview did not start");
        return true;
    }

    // One press to the stored file, in ms: the press itself, each step,
    // the store by Pelidor, the whole; then the processor time the engine
    // and Pelidor spent meanwhile.
    std::optional<std::vector<double>> Press(const fs::path& watch)
    {
        const std::size_t before = StoredJpegs(watch).size();
        const std::string logPath = m_folder + "/log.txt";
        const auto logStart = fs::file_size(logPath);
        std::vector<std::optional<Clock::time_point>> seen(kStepCount);

        // The engine's share: the process less this (watching) thread.
        const double engine0 = CpuSeconds(RUSAGE_SELF) - CpuSeconds(RUSAGE_THREAD);
        const double pelidor0 = ProcessCpuSeconds(m_pelidor);
        const auto t0 = Clock::now();
        const pid_t sim = Spawn(m_bin + "/tavrel-sim", {"press"});
        int status = 0;
        if (sim <= 0 || ::waitpid(sim, &status, 0) != sim || status != 0)
        {
            Fail("tavrel-sim press failed");
            return std::nullopt;
        }
        const auto pressed = Clock::now();
        std::optional<Clock::time_point> stored;
        WaitUntil(
            [&]
            {
                const auto now = Clock::now();
                std::ifstream in(logPath, std::ios::binary);
                in.seekg(std::streamoff(logStart));
                std::string text((std::istreambuf_iterator<char>(in)), {});
                for (int i = 0; i < kStepCount; ++i)
                    if (!seen[i] && text.find(kSteps[i].marker) != std::string::npos)
                        seen[i] = now;
                if (StoredJpegs(watch).size() > before)
                    stored = now;
                return stored.has_value();
            },
            60s, 1ms);
        if (!stored)
        {
            Fail("no picture stored within a minute");
            return std::nullopt;
        }
        std::vector<double> times{Ms(pressed - t0)};
        Clock::time_point last = pressed;
        for (const auto& at : seen)
        {
            // A step seen in the same poll as the one before counts as 0.
            const Clock::time_point t = at.value_or(last);
            times.push_back(Ms(t - last));
            last = std::max(last, t);
        }
        times.push_back(Ms(*stored - last));
        times.push_back(Ms(*stored - t0));
        times.push_back(1000 * (CpuSeconds(RUSAGE_SELF) - CpuSeconds(RUSAGE_THREAD) - engine0));
        times.push_back(1000 * (ProcessCpuSeconds(m_pelidor) - pelidor0));
        // Ready for the next press: the engine idle, the latch cleared.
        WaitUntil([this] { return Idle() && tavrel::SimScanner::Load()->button == 0; }, 60s);
        return times;
    }

    // Processor share (of one core) of this process and of Pelidor while
    // the preview runs.
    std::pair<double, double> PreviewCpu(std::chrono::seconds period)
    {
        const double self0 = CpuSeconds(RUSAGE_SELF), pel0 = ProcessCpuSeconds(m_pelidor);
        const auto t0 = Clock::now();
        std::this_thread::sleep_for(period);
        const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
        return {100 * (CpuSeconds(RUSAGE_SELF) - self0) / wall,
                100 * (ProcessCpuSeconds(m_pelidor) - pel0) / wall};
    }

    std::uint64_t CameraFrames() const { return m_engine->CameraFrames(); }
    const std::string& Pictures() const { return m_pictures; }
    const std::string& Root() const { return m_root; }

private:
    bool Idle() const
    {
        const tavrel::CaptureState s = m_engine->State();
        return s.captureButtonEnabled && !s.imageInProcess && m_engine->CaptureRequested() == 0;
    }
    bool Fail(const std::string& why)
    {
        std::fprintf(stderr, "press_bench: %s\n", why.c_str());
        return false;
    }

    std::string m_root, m_runtime, m_bin, m_pictures, m_folder;
    pid_t m_pelidor = -1;
    tavrel::MessageLoop m_loop;
    std::thread m_loopThread;
    std::unique_ptr<tavrel::WindowEndpoint> m_window;
    std::unique_ptr<tavrel::CCaptureEngine> m_engine;
};

} // namespace

// The watcher times each step when it sees its line; on a busy machine it
// must not wait for its turn, or steps would be seen late and together.
// Real-time priority where allowed (it sleeps 1 ms between short looks).
bool WatchPromptly()
{
    sched_param p{};
    p.sched_priority = 1;
    return pthread_setschedparam(pthread_self(), SCHED_FIFO, &p) == 0;
}

int main(int argc, char** argv)
{
    const int presses = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const int previewSeconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
    Bench bench;
    if (!bench.Start())
        return 1;

    const auto frames0 = bench.CameraFrames();
    const auto t0 = Clock::now();
    const auto [engineCpu, pelidorCpu] = bench.PreviewCpu(std::chrono::seconds(previewSeconds));
    const double fps = double(bench.CameraFrames() - frames0) /
                       std::chrono::duration<double>(Clock::now() - t0).count();
    std::printf("previewing %d s (camera %.1f frames/s): engine process %.1f%% of a core, "
                "Pelidor %.1f%%\n",
                previewSeconds, fps, engineCpu, pelidorCpu);

    const bool prompt = WatchPromptly();
    if (!prompt)
        std::printf("(steps watched at normal priority: on a busy machine they are seen late)\n");
    // A first press finds where Pelidor stores and warms the caches.
    const auto warm = bench.Press(bench.Root());
    if (!warm)
        return 1;
    const auto first = StoredJpegs(bench.Root());
    if (first.empty())
        return 1;
    const fs::path watch = first.front().parent_path();

    const int columns = kStepCount + 5;
    std::vector<std::vector<double>> runs(columns);
    for (int i = 0; i < presses; ++i)
    {
        const auto times = bench.Press(watch);
        if (!times)
            return 1;
        for (int c = 0; c < columns; ++c)
            runs[c].push_back((*times)[c]);
        std::printf("press %2d: %.0f ms\n", i + 1, (*times)[kStepCount + 2]);
    }
    std::printf("\nmedians of %d presses (ms), each step from the end of the one before:\n",
                presses);
    std::printf("  %-34s %7.1f\n", "tavrel-sim press (program run)", Median(runs[0]));
    for (int i = 0; i < kStepCount; ++i)
        std::printf("  %-34s %7.1f\n", kSteps[i].name, Median(runs[i + 1]));
    std::printf("  %-34s %7.1f\n", "stored by Pelidor (JPEG, synced)",
                Median(runs[kStepCount + 1]));
    const auto& total = runs[kStepCount + 2];
    std::printf("  %-34s %7.1f   (min %.1f, max %.1f)\n", "press to stored JPEG", Median(total),
                *std::min_element(total.begin(), total.end()),
                *std::max_element(total.begin(), total.end()));
    // The camera's part (the simulated one models a still's exposure of
    // about 150 ms) and the press program are not the programs' own.
    std::vector<double> own;
    for (std::size_t i = 0; i < total.size(); ++i)
        own.push_back(total[i] - runs[0][i] - runs[2][i]);
    std::printf("  %-34s %7.1f\n", "of which engine and Pelidor", Median(own));
    std::printf("processor time per press (ms): engine process %.1f, Pelidor %.1f\n",
                Median(runs[kStepCount + 3]), Median(runs[kStepCount + 4]));
    return 0;
}
