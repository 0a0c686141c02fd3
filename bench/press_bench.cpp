// Processor time of the capture engine on its own, without the dialog's
// drawing, and of Pelidor: while the preview runs, and per press of the
// scanner's button (`tavrel-sim press`, still mode, 2592 x 1944, the
// picture stored by the real Pelidor). The engine runs here on a headless
// UI loop, which is what tells its share from the dialog's; the real
// programs' press-to-stored time and its steps are measured by
// bench/press_to_file.py, not here.
//
// Usage: press_bench [PRESSES] [PREVIEW_SECONDS]   (defaults: 10, 10)
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

    // Processor time (ms) of the engine's process and of Pelidor from one
    // press to the stored file.
    std::optional<std::pair<double, double>> Press(const fs::path& watch)
    {
        const std::size_t before = StoredJpegs(watch).size();
        // The engine's share: the process less this (watching) thread.
        const double engine0 = CpuSeconds(RUSAGE_SELF) - CpuSeconds(RUSAGE_THREAD);
        const double pelidor0 = ProcessCpuSeconds(m_pelidor);
        const pid_t sim = Spawn(m_bin + "/tavrel-sim", {"press"});
        int status = 0;
        if (sim <= 0 || ::waitpid(sim, &status, 0) != sim || status != 0)
        {
            Fail("tavrel-sim press failed");
            return std::nullopt;
        }
        if (!WaitUntil([&] { return StoredJpegs(watch).size() > before; }, 60s))
        {
            Fail("no picture stored within a minute");
            return std::nullopt;
        }
        const std::pair<double, double> spent{
            1000 * (CpuSeconds(RUSAGE_SELF) - CpuSeconds(RUSAGE_THREAD) - engine0),
            1000 * (ProcessCpuSeconds(m_pelidor) - pelidor0)};
        // Ready for the next press: the engine idle, the latch cleared.
        WaitUntil([this] { return Idle() && tavrel::SimScanner::Load()->button == 0; }, 60s);
        return spent;
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

    // A first press finds where Pelidor stores and warms the caches.
    if (!bench.Press(bench.Root()))
        return 1;
    const auto first = StoredJpegs(bench.Root());
    if (first.empty())
        return 1;
    const fs::path watch = first.front().parent_path();
    std::vector<double> engine, pelidor;
    for (int i = 0; i < presses; ++i)
    {
        const auto spent = bench.Press(watch);
        if (!spent)
            return 1;
        engine.push_back(spent->first);
        pelidor.push_back(spent->second);
    }
    // The engine's process includes the simulated camera rendering the
    // still and the preview going on.
    std::printf("processor time per press, median of %d (ms): engine process %.1f, "
                "Pelidor %.1f\n",
                presses, Median(engine), Median(pelidor));
    return 0;
}
