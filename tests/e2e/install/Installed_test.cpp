// The suite as a user installs it: laid out under a prefix of their choice
// (even moved after the install), the programs find their data, the
// restoration plug-in and each other from their own folder alone.
// TAVREL_INSTALLED_PREFIX names an existing installation (the unpacked
// package) to check instead of installing the build.

#include "imaging/codecs/ImageCodec.h"
#include "imaging/cwimage/dib/Dib.h"
#include "support/Files.h"
#include "support/Process.h"
#include "support/Sandbox.h"
#include "support/Wait.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace tavrel::test
{
namespace
{

// Runs a program to its end; its output on failure.
struct Ran
{
    int exitCode = -1;
    std::string out;
    std::string err;
};

Ran RunTo(const std::string& program, const std::vector<std::string>& args,
          const Process::Options& options = {})
{
    Ran ran;
    std::string error;
    auto process = Process::Start(program, args, options, &error);
    if (!process)
    {
        ran.err = error;
        return ran;
    }
    ran.exitCode = process->WaitForExit(std::chrono::minutes(5)).value_or(-1);
    ran.out = process->StdOut();
    ran.err = process->StdErr();
    return ran;
}

std::string Prefix(const Sandbox& sandbox)
{
    if (const char* given = std::getenv("TAVREL_INSTALLED_PREFIX"); given && *given)
        return given;
    const std::string first = sandbox.Root() + "/first";
    const Ran install =
        RunTo(TAVREL_CMAKE_COMMAND, {"--install", TAVREL_BUILD_DIR, "--prefix", first, "--strip"});
    EXPECT_EQ(install.exitCode, 0) << install.out << install.err;
    // Moved after the install: nothing may remember where it was put.
    const std::string moved = sandbox.Root() + "/opt/tavrel";
    fs::create_directories(fs::path(moved).parent_path());
    fs::rename(first, moved);
    return moved;
}

bool ContainsBytes(const fs::path& file, const std::string& needle)
{
    return ReadFile(file.string()).find(needle) != std::string::npos;
}

bool IsProgram(const fs::path& file)
{
    return ReadFile(file.string()).starts_with("\177ELF");
}

TEST(InstalledSuite, RunsFromItsOwnFolderUnderAnyPrefix)
{
    Sandbox sandbox;
    const std::string prefix = Prefix(sandbox);
    ASSERT_FALSE(HasFailure());

    for (const char* file : {"bin/Pelidor",
                             "bin/Vantrel",
                             "bin/tavrel-tool",
                             "bin/tavrel-sim",
                             "lib/tavrel/Negative_Restoration.so",
                             "share/tavrel/sensor.xml",
                             "share/tavrel/DeviceSel.xml",
                             "share/tavrel/png/Folder.png",
                             "share/tavrel/Ruzade.smf",
                             "share/tavrel/ad.html",
                             "share/tavrel/Pelidor_en.qm",
                             "share/tavrel/Vantrel_en.qm",
                             "share/applications/org.tavrel.Pelidor.desktop",
                             "share/applications/org.tavrel.Vantrel.desktop",
                             "share/metainfo/org.tavrel.Pelidor.metainfo.xml",
                             "share/metainfo/org.tavrel.Vantrel.metainfo.xml",
                             "share/icons/hicolor/48x48/apps/org.tavrel.Vantrel.png",
                             "share/icons/hicolor/256x256/apps/org.tavrel.Pelidor.png",
                             "share/icons/hicolor/scalable/apps/org.tavrel.Pelidor.svg",
                             "lib/udev/rules.d/70-tavrel-scanner.rules",
                             "share/doc/tavrel/copyright"})
        EXPECT_TRUE(fs::is_regular_file(prefix + "/" + file)) << file;
    for (const auto& entry : fs::recursive_directory_iterator(prefix))
    {
        // A sanitizer's diagnostics name the sources compiled, generated ones
        // in the build tree among them: there only the data files count.
        if (entry.is_regular_file() && !(TAVREL_SANITIZED && IsProgram(entry.path())))
        {
            EXPECT_FALSE(ContainsBytes(entry.path(), TAVREL_BUILD_DIR)) << entry.path();
        }
    }

    // Nothing from the build tree: the test's own pointers are blanked.
    const std::string bin = prefix + "/bin/";
    Process::Options installed;
    installed.env = {{"TAVREL_SHARE_DIR", ""},
                     {"TAVREL_PLUGIN_DIR", ""},
                     {"TAVREL_BIN_DIR", ""},
                     {"TAVREL_SCANNER", "simulated"},
                     {"PATH", "/usr/bin:/bin"}};
    // English, so that the translations must be found too.
    ASSERT_TRUE(WriteFile(sandbox.Home() + "/UIlanguage.xml",
                          "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<language>\n"
                          "<language>English</language>\n<English>\n"
                          "<Tavrel>Pelidor_en.qm</Tavrel>\n<Solvane>Vantrel_en.qm</Solvane>\n"
                          "</English>\n</language>\n"));

    const std::string pictures = sandbox.Root() + "/Pictures";
    fs::create_directories(pictures);
    auto pelidor = Process::Start(bin + "Pelidor", {pictures}, installed);
    ASSERT_TRUE(pelidor);
    const auto windows = [&] { return RunTo(bin + "tavrel-tool", {"windows"}, installed).out; };
    ASSERT_TRUE(WaitFor([&] { return windows().find("\"Pelidor\"") != std::string::npos; }))
        << pelidor->StdErr();
    for (const char* copied : {"sensor.xml", "Positive.xml", "png/Folder.png", "ad.html"})
        EXPECT_TRUE(fs::is_regular_file(sandbox.Home() + "/" + copied)) << copied;

    // The manager starts the capture program beside itself (PATH has none).
    ASSERT_EQ(RunTo(bin + "tavrel-tool", {"message", "--class", "Pelidor", "WM_COMMAND", "32901"},
                    installed)
                  .exitCode,
              0);
    std::string title;
    const std::string camera = "\"Tavrel Camera\" \"";
    ASSERT_TRUE(WaitFor(
        [&]
        {
            const std::string listed = windows();
            const std::size_t at = listed.find(camera);
            if (at == std::string::npos)
                return false;
            const std::size_t begin = at + camera.size();
            title = listed.substr(begin, listed.find('"', begin) - begin);
            return true;
        }))
        << pelidor->StdErr();
    // Its English title: the built-in ones are Chinese.
    EXPECT_FALSE(title.empty());
    EXPECT_TRUE(std::all_of(title.begin(), title.end(), [](char c) { return (c & 0x80) == 0; }))
        << title;

    // A picture handed over by the installed tool lands, as a JPEG that reads
    // back, in the folder the manager shows.
    CDib picture;
    picture.Create(320, 240, 24, 300);
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.RowSize(); ++x)
            picture.Row(y)[x] = std::uint8_t(x + y);
    const std::string source = sandbox.Root() + "/source.bmp";
    ASSERT_EQ(picture.SaveFile(source, kFormatBmp), 1);
    const Ran sent =
        RunTo(bin + "tavrel-tool", {"send", "--profile", sandbox.Home() + "/Positive.xml", source},
              installed);
    EXPECT_EQ(sent.exitCode, 0) << sent.out << sent.err;
    std::vector<fs::path> stored;
    for (const auto& entry : fs::directory_iterator(pictures))
        stored.push_back(entry.path());
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].extension(), ".jpg");
    CDib back;
    ASSERT_EQ(back.LoadFile(stored[0].string()), 1);
    EXPECT_EQ(back.Width(), 320);
    EXPECT_EQ(back.Height(), 240);

    EXPECT_EQ(RunTo(bin + "tavrel-tool", {"message", "--class", "Pelidor", "WM_CLOSE"}, installed)
                  .exitCode,
              0);
    EXPECT_EQ(pelidor->WaitForExit(), 0);
    EXPECT_TRUE(WaitFor([&] { return windows().empty(); })) << windows();
    // The plug-in was found by both programs.
    EXPECT_EQ(sandbox.MessagesLog().find("Negative_Restoration"), std::string::npos)
        << sandbox.MessagesLog();
}

} // namespace
} // namespace tavrel::test
