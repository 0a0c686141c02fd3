// The real Pelidor clears what a storage run killed mid-write left in the
// picture folder, and nothing else.

#include "imaging/codecs/ImageCodec.h"
#include "imaging/cwimage/dib/Dib.h"
#include "platform/AtomicFile.h"
#include "platform/Desktop.h"
#include "support/Process.h"
#include "support/Sandbox.h"
#include "support/Wait.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tavrel::test
{
namespace
{

std::set<std::string> Temporaries(const std::string& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        if (IsAtomicFileTemporary(entry.path().filename().string()))
            names.insert(entry.path().filename().string());
    return names;
}

// What a writer killed before its commit leaves: the manager killed while
// storing a picture does the same.
std::string LeaveAbandonedFile(const std::string& folder)
{
    const std::set<std::string> before = Temporaries(folder);
    const pid_t child = ::fork();
    if (child == 0)
    {
        AtomicFile file(folder + "/2026-01-01-00-00-00.jpg", {.replace = false});
        file.Write(std::string(4096, 'x'));
        ::kill(::getpid(), SIGKILL);
    }
    ::waitpid(child, nullptr, 0);
    for (const std::string& name : Temporaries(folder))
        if (!before.contains(name))
            return folder + "/" + name;
    return {};
}

TEST(PelidorLeftovers, PartialFilesOfAKilledRunAreRemovedAtStartAndAfterEachRun)
{
    Sandbox sandbox;
    const std::string pictures = sandbox.Root() + "/pictures";
    fs::create_directories(pictures);
    const std::string beforeStart = LeaveAbandonedFile(pictures);
    ASSERT_FALSE(beforeStart.empty());
    // The user's own files, some named much like ours.
    const std::vector<std::string> users{"holiday.jpg", ".holiday.jpg.tavrel-12345.tmp",
                                         "scan.tavrel-abcdef.tmp"};
    for (const std::string& name : users)
        std::ofstream(pictures + "/" + name) << "user's";

    std::string error;
    auto pelidor = Process::Start("Pelidor", {"--simulated", pictures}, {}, &error);
    ASSERT_TRUE(pelidor) << error;
    ASSERT_TRUE(WaitFor([] { return Desktop::FindWindow("Pelidor") != 0; })) << pelidor->StdErr();
    EXPECT_TRUE(WaitFor([&] { return !fs::exists(beforeStart); }));

    const std::string duringRun = LeaveAbandonedFile(pictures);
    ASSERT_FALSE(duringRun.empty());
    CDib picture;
    picture.Create(32, 16, 24, 300);
    const std::string input = sandbox.Root() + "/in.bmp";
    ASSERT_EQ(picture.SaveFile(input, kFormatBmp), 1);
    const char* share = std::getenv("TAVREL_SHARE_DIR");
    auto send = Process::Start("tavrel-tool",
                               {"send", "--profile", std::string(share) + "/Positive.xml", input});
    ASSERT_TRUE(send);
    EXPECT_EQ(send->WaitForExit(), 0) << send->StdOut() << send->StdErr();
    // The picture went in, and the run's end cleared the other partial file.
    int stored = 0;
    for (const auto& entry : fs::directory_iterator(pictures))
        stored += entry.path().extension() == ".jpg" && entry.path().filename() != "holiday.jpg";
    EXPECT_EQ(stored, 1);
    EXPECT_FALSE(fs::exists(duringRun));
    for (const std::string& name : users)
        EXPECT_TRUE(fs::exists(pictures + "/" + name)) << name;

    Desktop::SendMessage(Desktop::FindWindow("Pelidor"), WM_CLOSE);
    EXPECT_TRUE(pelidor->WaitForExit().has_value());
}

} // namespace
} // namespace tavrel::test
