// A capture on the road of a picture: Pelidor killed while it stores the
// capture program's picture, then the capture program killed while its next
// one is stored. Each side carries on, says what became of the picture, and
// the next start of the other works.

#include "e2e/faults/PictureRoad.h"
#include "support/CaptureDriver.h"
#include "support/Programs.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

namespace tavrel::test
{
namespace
{

TEST_F(PictureRoad, EachProgramKilledInTheMiddleOfACapture)
{
    const std::string folder = m_sandbox.Root() + "/Pictures";
    fs::create_directories(folder);
    ASSERT_EQ(RunProgram("tavrel-sim", {"plug"}).exitCode, 0);

    const auto startVantrel = [&]
    {
        auto vantrel = StartProgram("Vantrel");
        EXPECT_TRUE(vantrel && WaitUntilRunning(*vantrel));
        return vantrel;
    };
    const auto held = [&] { return fs::exists(m_gate + "/held"); };
    const auto reset = [&]
    {
        fs::remove(m_gate + "/armed");
        fs::remove(m_gate + "/held");
    };

    // Pelidor dies while it writes the picture: the capture program ends
    // that capture, keeps the picture and tells the user where.
    auto pelidor = StartPelidor(folder, "write");
    ASSERT_TRUE(pelidor);
    auto vantrel = startVantrel();
    Gate("armed");
    ASSERT_TRUE(PressDeviceButton()) << CaptureLog();
    ASSERT_TRUE(WaitFor(held, std::chrono::seconds(60))) << vantrel->StdErr();
    pelidor->Kill();
    ASSERT_TRUE(pelidor->WaitForExit().has_value());
    reset();
    const std::string said = "Pelidor did not store the picture. It was kept as ";
    std::string messages;
    ASSERT_TRUE(WaitFor(
        [&] { return (messages = m_sandbox.MessagesLog()).find(said) != std::string::npos; }))
        << messages;
    const std::size_t at = messages.find(said) + said.size();
    CDib kept;
    EXPECT_EQ(kept.LoadFile(messages.substr(at, messages.find('\n', at) - at)), 1);
    EXPECT_TRUE(vantrel->IsRunning());
    EXPECT_TRUE(VisibleNames(folder).empty());

    // Pelidor again; now the capture program dies while its picture is
    // stored. Pelidor had taken the pixels over: it stores them and goes on.
    pelidor = StartPelidor(folder, "sync");
    ASSERT_TRUE(pelidor);
    Gate("armed");
    ASSERT_TRUE(PressDeviceButton()) << CaptureLog();
    ASSERT_TRUE(WaitFor(held, std::chrono::seconds(60))) << vantrel->StdErr();
    vantrel->Kill();
    ASSERT_TRUE(vantrel->WaitForExit().has_value());
    reset();
    Gate("release");
    EXPECT_TRUE(WaitFor([&] { return VisibleNames(folder).size() == 1; }));
    EXPECT_EQ(Send(PictureFile("by-hand", 320, 240, 4)), "stored");
    EXPECT_EQ(VisibleNames(folder).size(), 2u);

    // The next capture program starts: no stale mark, lock or section.
    vantrel = startVantrel();
    ASSERT_TRUE(PressDeviceButton()) << CaptureLog();
    ASSERT_TRUE(WaitFor([&] { return VisibleNames(folder).size() == 3; }, std::chrono::seconds(60)))
        << CaptureLog();
    for (const std::string& name : VisibleNames(folder))
    {
        CDib picture;
        EXPECT_EQ(picture.LoadFile(folder + "/" + name), 1) << name;
    }
    Close(pelidor);
    EXPECT_TRUE(vantrel->WaitForExit().has_value());
}

} // namespace
} // namespace tavrel::test
