#include "support/Files.h"
#include "support/Sandbox.h"

#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "platform/TempFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tavrel::test
{

namespace
{

class Paths : public ::testing::Test
{
protected:
    Sandbox m_sandbox;
};

TEST_F(Paths, RuntimeDirectoryIsMadePrivate)
{
    const std::string dir = m_sandbox.Root() + "/fresh/run";
    ::setenv("TAVREL_RUNTIME_DIR", dir.c_str(), 1);
    EXPECT_EQ(RuntimeDirectory(), dir);
    struct stat st
    {
    };
    ASSERT_EQ(::stat(dir.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    ::chmod(dir.c_str(), 0755);
    EXPECT_EQ(RuntimeDirectory(), dir);
    ASSERT_EQ(::stat(dir.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(Paths, RuntimeDirectoryOfAnotherUserIsRefused)
{
    if (::getuid() != 0)
        GTEST_SKIP() << "needs root to give the folder away";
    const std::string dir = m_sandbox.Root() + "/foreign";
    ASSERT_EQ(::mkdir(dir.c_str(), 0700), 0);
    ASSERT_EQ(::chown(dir.c_str(), 4321, 4321), 0);
    ::setenv("TAVREL_RUNTIME_DIR", dir.c_str(), 1);
    std::string error;
    EXPECT_EQ(RuntimeDirectory(&error), "");
    EXPECT_NE(error.find("another user"), std::string::npos);
    EXPECT_EQ(GetTempPath(), "");
}

TEST_F(Paths, RuntimeDirectoryThatIsALinkIsRefused)
{
    const std::string dir = m_sandbox.Root() + "/link";
    fs::create_symlink(m_sandbox.RuntimeDir(), dir);
    ::setenv("TAVREL_RUNTIME_DIR", dir.c_str(), 1);
    EXPECT_EQ(RuntimeDirectory(), "");
}

TEST_F(Paths, ProgramFolderGetsMissingDefaultsOnly)
{
    const fs::path share = fs::path(m_sandbox.Root()) / "share";
    fs::create_directories(share / "png");
    std::ofstream(share / "sensor.xml") << "default sensor";
    std::ofstream(share / "UserInfo.xml") << "default user";
    std::ofstream(share / "png" / "Folder.png") << "png";
    std::ofstream(fs::path(m_sandbox.Home()) / "UserInfo.xml") << "mine";
    ::setenv("TAVREL_SHARE_DIR", share.c_str(), 1);

    std::string error;
    EXPECT_TRUE(PrepareProgramFolder(&error)) << error;
    ::unsetenv("TAVREL_SHARE_DIR");
    EXPECT_EQ(fs::current_path(), fs::path(m_sandbox.Home()));
    EXPECT_EQ(ReadFile("sensor.xml"), "default sensor");
    EXPECT_EQ(ReadFile("UserInfo.xml"), "mine");
    EXPECT_EQ(ReadFile("png/Folder.png"), "png");
}

TEST_F(Paths, ProgramFolderFollowsTheEnvironment)
{
    EXPECT_EQ(ProgramFolder(), m_sandbox.Home());
    ::unsetenv("TAVREL_HOME");
    ::setenv("XDG_DATA_HOME", "/x/data", 1);
    EXPECT_EQ(ProgramFolder(), "/x/data/tavrel");
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(ExecutableFolder(), fs::read_symlink("/proc/self/exe").parent_path().string());
}

TEST(JoinPath, OneSlashBetweenFolderAndName)
{
    EXPECT_EQ(JoinPath("/pictures", "a.jpg"), "/pictures/a.jpg");
    EXPECT_EQ(JoinPath("/pictures/", "a.jpg"), "/pictures/a.jpg");
    EXPECT_EQ(JoinPath("/", "a.jpg"), "/a.jpg");
    EXPECT_EQ(JoinPath("", "a.jpg"), "a.jpg");
}

TEST_F(Paths, TempFileNamesAreUniqueAndCreated)
{
    const std::string folder = GetTempPath();
    EXPECT_EQ(folder, m_sandbox.RuntimeDir() + "/tmp/");
    std::set<std::string> names;
    for (int i = 0; i < 200; ++i)
    {
        const std::string name = GetTempFileName(folder);
        ASSERT_FALSE(name.empty());
        EXPECT_TRUE(fs::is_regular_file(name));
        EXPECT_EQ(fs::file_size(name), 0u);
        EXPECT_EQ(name.substr(name.size() - 4), ".tmp");
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 200u);

    const std::string fixed = GetTempFileName(folder, "cfgxyz", 0xAB);
    EXPECT_EQ(fixed, folder + "cfgAB.tmp");
    EXPECT_FALSE(fs::exists(fixed));
    EXPECT_EQ(GetTempFileName(m_sandbox.Root() + "/missing"), "");
}

TEST_F(Paths, MessageBoxesAreRecordedForOtherProcesses)
{
    ClearRecordedMessageBoxes();
    EXPECT_EQ(MessageBox(0, "line one\nline two", "Caption", MB_OKCANCEL), IDOK);
    EXPECT_EQ(AfxMessageBox("Not Find Pelidor Window!"), IDOK);
    const auto recorded = RecordedMessageBoxes();
    ASSERT_EQ(recorded.size(), 2u);
    EXPECT_EQ(recorded[1], "Not Find Pelidor Window!");
    EXPECT_EQ(m_sandbox.MessagesLog(),
              "Caption\tline one\\nline two\n\tNot Find Pelidor Window!\n");
}

} // namespace

} // namespace tavrel::test
