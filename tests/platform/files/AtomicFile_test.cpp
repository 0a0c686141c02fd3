#include "support/Sandbox.h"

#include "platform/AtomicFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tavrel::test
{

namespace
{

class AtomicFileTest : public ::testing::Test
{
protected:
    void SetUp() override { fs::create_directories(folder); }

    static std::string Read(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static mode_t ModeOf(const std::string& path)
    {
        struct stat st
        {
        };
        return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
    }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    Sandbox sandbox;
    std::string folder = sandbox.Root() + "/files";
};

TEST_F(AtomicFileTest, ReplacesTheWholeFileKeepingItsModeAndLinks)
{
    const std::string path = folder + "/settings.ini";
    const mode_t oldMask = ::umask(022);
    ASSERT_TRUE(WriteFileAtomically(path, "first"));
    EXPECT_EQ(ModeOf(path), 0644u);
    ASSERT_TRUE(WriteFileAtomically(folder + "/private", "x", {.newFileMode = 0600}));
    EXPECT_EQ(ModeOf(folder + "/private"), 0600u);
    ::umask(oldMask);

    ::chmod(path.c_str(), 0640);
    ASSERT_TRUE(WriteFileAtomically(path, "second, longer"));
    EXPECT_EQ(Read(path), "second, longer");
    EXPECT_EQ(ModeOf(path), 0640u);

    // A settings file kept elsewhere behind a link stays there.
    fs::create_directories(sandbox.Root() + "/elsewhere");
    const std::string real = sandbox.Root() + "/elsewhere/real.ini";
    std::ofstream(real) << "old";
    fs::create_symlink(real, folder + "/linked.ini");
    ASSERT_TRUE(WriteFileAtomically(folder + "/linked.ini", "new"));
    EXPECT_TRUE(fs::is_symlink(folder + "/linked.ini"));
    EXPECT_EQ(Read(real), "new");

    EXPECT_EQ(Names(), (std::vector<std::string>{"linked.ini", "private", "settings.ini"}));
}

TEST_F(AtomicFileTest, NothingChangesUntilTheCommit)
{
    const std::string path = folder + "/a.txt";
    std::ofstream(path) << "kept";
    {
        AtomicFile file(path);
        ASSERT_TRUE(file.IsOpen());
        EXPECT_EQ(fs::path(file.TempPath()).parent_path(), fs::path(folder));
        ASSERT_TRUE(file.Write("half of a"));
        EXPECT_EQ(Read(path), "kept");
    }
    EXPECT_EQ(Read(path), "kept");
    EXPECT_EQ(Names(), std::vector<std::string>{"a.txt"});

    std::string error;
    EXPECT_FALSE(WriteFileAtomically(folder + "/missing/b.txt", "x", {}, &error));
    EXPECT_FALSE(error.empty());
    AtomicFile none(folder + "/missing/b.txt");
    EXPECT_FALSE(none.IsOpen());
    EXPECT_EQ(none.Error(), ENOENT);
    EXPECT_FALSE(none.Commit());
}

TEST_F(AtomicFileTest, ConcurrentWritersNeverMixTheirBytes)
{
    const std::string path = folder + "/shared.ini";
    std::vector<std::string> contents;
    for (int t = 0; t < 6; ++t)
        contents.push_back(std::string(20000 + 997 * t, char('a' + t)));
    std::atomic<int> failures{0};
    {
        std::vector<std::jthread> writers;
        for (int t = 0; t < 6; ++t)
            writers.emplace_back(
                [&, t]
                {
                    for (int i = 0; i < 30; ++i)
                        if (!WriteFileAtomically(path, contents[std::size_t(t)]))
                            ++failures;
                });
    }
    EXPECT_EQ(failures, 0);
    const std::string last = Read(path);
    EXPECT_NE(std::find(contents.begin(), contents.end(), last), contents.end());
    EXPECT_EQ(Names(), std::vector<std::string>{"shared.ini"});
}

TEST_F(AtomicFileTest, NoReplaceTakesTheNextFreeName)
{
    const std::string taken = folder + "/2026.jpg";
    std::ofstream(taken) << "user's";
    AtomicFile file(taken, {.replace = false, .syncFolder = true});
    ASSERT_TRUE(file.Write("picture"));
    EXPECT_FALSE(file.Commit());
    EXPECT_EQ(file.Error(), EEXIST);
    file.SetTarget(folder + "/2026_2.jpg");
    ASSERT_TRUE(file.Commit());
    EXPECT_EQ(Read(taken), "user's");
    EXPECT_EQ(Read(folder + "/2026_2.jpg"), "picture");
    EXPECT_EQ(Names(), (std::vector<std::string>{"2026.jpg", "2026_2.jpg"}));

    AtomicFile elsewhere(folder + "/x.jpg", {.replace = false});
    elsewhere.SetTarget(sandbox.Root() + "/x.jpg");
    EXPECT_FALSE(elsewhere.Commit());
    EXPECT_EQ(elsewhere.Error(), EXDEV);
}

TEST_F(AtomicFileTest, OnlyAbandonedTemporariesOfOursAreRemoved)
{
    // A writer killed mid-write leaves its temporary file.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
    {
        AtomicFile file(folder + "/picture.jpg");
        file.Write("half a picture");
        ::kill(::getpid(), SIGKILL);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    const std::vector<std::string> leftover = Names();
    ASSERT_EQ(leftover.size(), 1u);
    EXPECT_TRUE(IsAtomicFileTemporary(leftover[0])) << leftover[0];

    // A live writer's file, the user's files and names that only look alike.
    AtomicFile live(folder + "/settings.ini");
    ASSERT_TRUE(live.Write("being written"));
    const std::vector<std::string> kept{".holiday.jpg.tavrel-1234.tmp", ".x.tavrel-abc!ef.tmp",
                                        "holiday.jpg", "notes.tavrel-abcdef.tmp"};
    for (const auto& name : kept)
        std::ofstream(folder + "/" + name) << "user's";
    fs::create_directory(folder + "/.dir.tavrel-abcdef.tmp");

    EXPECT_EQ(RemoveAbandonedTemporaries(folder), 1);
    EXPECT_FALSE(fs::exists(folder + "/" + leftover[0]));
    for (const auto& name : kept)
        EXPECT_TRUE(fs::exists(folder + "/" + name)) << name;
    EXPECT_TRUE(fs::is_directory(folder + "/.dir.tavrel-abcdef.tmp"));
    ASSERT_TRUE(live.Commit());
    EXPECT_EQ(Read(folder + "/settings.ini"), "being written");
    EXPECT_EQ(RemoveAbandonedTemporaries(folder + "/none"), 0);
}

} // namespace

} // namespace tavrel::test
