#pragma once
// The fault tests' session: the real Pelidor (optionally held at a point of
// its storage by HoldShim.c), pictures handed over by tavrel-tool, and what
// a folder holds.

#include "imaging/codecs/ImageCodec.h"
#include "imaging/cwimage/dib/Dib.h"
#include "support/Files.h"
#include "support/ImageCompare.h"
#include "support/Process.h"
#include "support/Sandbox.h"
#include "support/Wait.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <filesystem>
#include <set>

namespace tavrel::test
{

namespace fs = std::filesystem;

inline std::set<std::string> AllNames(const std::string& folder)
{
    std::set<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        names.insert(entry.path().filename().string());
    return names;
}

inline std::set<std::string> VisibleNames(const std::string& folder)
{
    std::set<std::string> names;
    for (const std::string& name : AllNames(folder))
        if (name[0] != '.')
            names.insert(name);
    return names;
}

// Reads the picture back in full: a half-written one fails.
inline bool ReadsAs(const std::string& path, int width, int height)
{
    CDib picture;
    return picture.LoadFile(path) == 1 && picture.Width() == width && picture.Height() == height;
}

// "outcome: kept PATH" of tavrel-tool send: the path.
inline std::string KeptPath(const std::string& out)
{
    const std::string mark = "outcome: kept ";
    const std::size_t at = out.find(mark);
    if (at == std::string::npos)
        return {};
    const std::size_t begin = at + mark.size();
    return out.substr(begin, out.find('\n', begin) - begin);
}

class PictureRoad : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::create_directories(m_gate);
        m_profile = std::string(std::getenv("TAVREL_SHARE_DIR")) + "/Positive.xml";
    }

    // Pelidor with the simulated scanner showing `folder`; `holdAt` preloads
    // the hold shim for that point; `wrapper` runs it inside another command.
    std::unique_ptr<Process> StartPelidor(const std::string& folder, const std::string& holdAt = {},
                                          const std::vector<std::string>& wrapper = {})
    {
        Process::Options options;
        options.env = {{"TAVREL_SCANNER", "simulated"}};
        if (!holdAt.empty())
        {
            // In a sanitizer build the preloaded shim comes before the
            // sanitizer's runtime, which it would otherwise refuse.
            const char* asan = std::getenv("ASAN_OPTIONS");
            options.env.insert(
                options.env.end(),
                {{"LD_PRELOAD", TAVREL_HOLD_SHIM},
                 {"ASAN_OPTIONS", std::string(asan ? asan : "") + ":verify_asan_link_order=0"},
                 {"TAVREL_HOLD_AT", holdAt},
                 {"TAVREL_HOLD_FOLDER", folder},
                 {"TAVREL_HOLD_DIR", m_gate}});
        }
        std::vector<std::string> args = wrapper;
        args.push_back(Process::ProgramPath("Pelidor"));
        args.push_back(folder);
        std::string error;
        const std::string program = args.front();
        args.erase(args.begin());
        auto pelidor = Process::Start(program, args, options, &error);
        EXPECT_TRUE(pelidor) << error;
        if (pelidor)
        {
            EXPECT_TRUE(
                WaitFor([&] { return Tool({"windows"}).find("\"Pelidor\"") != std::string::npos; }))
                << pelidor->StdErr();
        }
        return pelidor;
    }

    std::string Tool(const std::vector<std::string>& args)
    {
        auto tool = Process::Start("tavrel-tool", args);
        return tool && tool->WaitForExit() ? tool->StdOut() : std::string();
    }

    // A picture file of that size; `noisy` ones barely compress.
    std::string PictureFile(const std::string& name, int width, int height, int seed = 0)
    {
        CDib picture;
        FillPattern(picture, width, height, seed);
        const std::string path = m_sandbox.Root() + "/" + name + ".bmp";
        EXPECT_EQ(picture.SaveFile(path, kFormatBmp), 1);
        return path;
    }

    std::unique_ptr<Process> StartSend(const std::string& picture,
                                       const std::vector<std::string>& format = {})
    {
        std::vector<std::string> args{"send", "--profile", m_profile};
        args.insert(args.end(), format.begin(), format.end());
        args.push_back(picture);
        return Process::Start("tavrel-tool", args);
    }

    // Sends to its end: "stored", or the sender's whole output.
    std::string Send(const std::string& picture, const std::vector<std::string>& format = {})
    {
        auto sender = StartSend(picture, format);
        if (!sender)
            return "not started";
        const auto code = sender->WaitForExit();
        return code == 0 ? "stored" : sender->StdOut() + sender->StdErr();
    }

    void Close(std::unique_ptr<Process>& pelidor)
    {
        Tool({"message", "--class", "Pelidor", "WM_CLOSE"});
        EXPECT_EQ(pelidor->WaitForExit(), 0) << pelidor->StdErr();
    }

    void Gate(const char* name) { ASSERT_TRUE(WriteFile(m_gate + "/" + name, "")); }
    bool Held()
    {
        return WaitFor([&] { return fs::exists(m_gate + "/held"); });
    }

    Sandbox m_sandbox;
    std::string m_gate = m_sandbox.Root() + "/gate";
    std::string m_profile;
};

} // namespace tavrel::test
