// The road of a picture when a program dies on it or the disk fills up: what
// was stored before stays intact, nothing half-written carries a picture's
// name, the sender ends the hand-over and tells the user where the picture
// is, and the programs start again cleanly. The real programs, driven by
// tavrel-tool and tavrel-sim only; each kill happens at a point the test
// holds the program at (HoldShim.c), never at a moment left to timing.

#include "e2e/faults/PictureRoad.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <vector>

#include <signal.h>

namespace tavrel::test
{
namespace
{

TEST_F(PictureRoad, PelidorKilledInTheMiddleOfAHandover)
{
    const std::string folder = m_sandbox.Root() + "/Pictures";
    fs::create_directories(folder);
    const std::string second = PictureFile("second", 640, 480, 2);
    const std::string third = PictureFile("third", 200, 100, 3);
    // Stopped: the message waits unread; the others: inside the storage.
    // Each Pelidor started after a kill is the one killed at the next point.
    const std::vector<std::string> points{"stopped", "write", "sync", "rename"};
    auto pelidor = StartPelidor(folder);
    ASSERT_TRUE(pelidor);
    ASSERT_EQ(Send(PictureFile("first", 320, 240, 1)), "stored");
    for (std::size_t i = 0; i < points.size(); ++i)
    {
        const std::string& point = points[i];
        SCOPED_TRACE(point);
        std::map<std::string, std::string> before;
        for (const std::string& name : VisibleNames(folder))
            before[name] = ReadFile(folder + "/" + name);

        std::unique_ptr<Process> sender;
        if (point == "stopped")
        {
            ::kill(pelidor->Pid(), SIGSTOP);
            sender = StartSend(second);
            // The hand-over's profile exists only while the message is out.
            const std::string temp = m_sandbox.RuntimeDir() + "/tmp";
            ASSERT_TRUE(WaitFor(
                [&]
                {
                    std::error_code ec;
                    for (const auto& entry : fs::directory_iterator(temp, ec))
                        if (entry.path().string().ends_with("_cfg.xml"))
                            return true;
                    return false;
                }));
        }
        else
        {
            Gate("armed");
            sender = StartSend(second);
            ASSERT_TRUE(Held()) << pelidor->StdErr();
        }
        pelidor->Kill();
        ASSERT_TRUE(pelidor->WaitForExit().has_value());
        fs::remove(m_gate + "/armed");
        fs::remove(m_gate + "/held");

        // The sender ends, says the picture was not stored and where it is.
        ASSERT_TRUE(sender);
        EXPECT_EQ(sender->WaitForExit(), 1);
        const std::string kept = KeptPath(sender->StdOut());
        EXPECT_TRUE(ReadsAs(kept, 640, 480)) << sender->StdOut() << sender->StdErr();
        EXPECT_NE(m_sandbox.MessagesLog().find("It was kept as " + kept), std::string::npos)
            << m_sandbox.MessagesLog();

        // What was stored before is untouched; a new picture name appears
        // only once the file is whole.
        std::set<std::string> now = VisibleNames(folder);
        for (const auto& [name, bytes] : before)
        {
            EXPECT_EQ(ReadFile(folder + "/" + name), bytes) << name;
            now.erase(name);
        }
        EXPECT_EQ(now.size(), point == "rename" ? 1u : 0u);
        for (const std::string& name : now)
            EXPECT_TRUE(ReadsAs(folder + "/" + name, 640, 480)) << name;

        // Started again over the same session: no stale window, mark or
        // section stands in the way, the next picture is stored, and that
        // storage run clears what the killed one left.
        pelidor = StartPelidor(folder, i + 1 < points.size() ? points[i + 1] : "");
        ASSERT_TRUE(pelidor);
        EXPECT_EQ(Send(third), "stored");
        EXPECT_EQ(VisibleNames(folder).size(), before.size() + now.size() + 1);
        EXPECT_EQ(AllNames(folder), VisibleNames(folder));
    }
    Close(pelidor);
}

// A picture of noise: it barely compresses, so its file is as large as it
// can be.
std::string NoiseFile(const std::string& path, int width, int height)
{
    CDib picture;
    picture.Create(width, height, 24, 300);
    std::uint32_t state = 12345;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < picture.RowSize(); ++x)
        {
            state = state * 1664525u + 1013904223u;
            picture.Row(y)[x] = std::uint8_t(state >> 24);
        }
    EXPECT_EQ(picture.SaveFile(path, kFormatBmp), 1);
    return path;
}

TEST_F(PictureRoad, AFullDiskKeepsThePictureAndTellsTheUser)
{
    // A small tmpfs as the picture folder, mounted in Pelidor's own mount
    // namespace: private to it and gone with it, whatever becomes of the test.
    // As root a mount namespace will do; elsewhere a user namespace brings one.
    std::string unshare;
    for (const char* flags : {"-m", "-Urm"})
    {
        auto probe = Process::Start("/usr/bin/unshare", {flags, "true"});
        if (probe && probe->WaitForExit() == 0)
        {
            unshare = flags;
            break;
        }
    }
    if (unshare.empty())
        GTEST_SKIP() << "no mount namespace can be made here";
    const std::string folder = m_sandbox.Root() + "/small";
    fs::create_directories(folder);
    auto pelidor = StartPelidor(folder, {},
                                {"/usr/bin/unshare", unshare, "sh", "-c",
                                 "mount -t tmpfs -o size=256k tmpfs \"$2\" && exec \"$@\"", "sh"});
    ASSERT_TRUE(pelidor);
    // The test sees the folder as Pelidor does.
    const std::string seen = "/proc/" + std::to_string(pelidor->Pid()) + "/root" + folder;

    ASSERT_EQ(Send(PictureFile("small", 160, 120, 1)), "stored");
    const std::set<std::string> before = VisibleNames(seen);
    ASSERT_EQ(before.size(), 1u);
    const std::string firstBytes = ReadFile(seen + "/" + *before.begin());

    const std::string big = NoiseFile(m_sandbox.Root() + "/big.bmp", 1000, 800);
    for (const std::vector<std::string>& format :
         {std::vector<std::string>{"--format", "jpg"}, {"--format", "tiff", "--bits", "48"}})
    {
        SCOPED_TRACE(format[1]);
        auto sender = StartSend(big, format);
        ASSERT_TRUE(sender);
        EXPECT_EQ(sender->WaitForExit(), 1);
        const std::string kept = KeptPath(sender->StdOut());
        EXPECT_TRUE(ReadsAs(kept, 1000, 800)) << sender->StdOut() << sender->StdErr();
        const std::string messages = m_sandbox.MessagesLog();
        EXPECT_NE(messages.find("Could not save the picture in " + folder), std::string::npos)
            << messages;
        EXPECT_NE(messages.find("It was kept as " + kept), std::string::npos) << messages;
        // Nothing half-written, not even under a hidden name.
        EXPECT_EQ(AllNames(seen), before);
    }
    EXPECT_EQ(ReadFile(seen + "/" + *before.begin()), firstBytes);

    // Pelidor goes on storing what fits.
    EXPECT_EQ(Send(PictureFile("next", 160, 120, 2)), "stored");
    EXPECT_EQ(VisibleNames(seen).size(), 2u);
    Close(pelidor);
}
} // namespace
} // namespace tavrel::test
