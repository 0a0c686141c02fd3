// The clipboard against a real X server and a real X clipboard client
// (xclip), both ways: what this program copies, other programs read; what
// other programs copy or cut, this program pastes.

#include "browser/BrowserFixture.h"

#include "support/Process.h"
#include "support/Wait.h"
#include "support/XSession.h"

#include <fstream>

#include <unistd.h>

namespace tavrel::test
{
namespace
{

namespace fs = std::filesystem;

// One X server with a window manager for the test suite; Qt connects to it
// when the application object is made. The support's session picks a free
// display (a number from the pid alone met other servers and stale sockets)
// and ends its server with the suite: none is left running behind.
std::unique_ptr<XSession>& Session()
{
    static std::unique_ptr<XSession> session;
    return session;
}

class ClipboardTest : public BrowserFixture
{
protected:
    static void SetUpTestSuite()
    {
        Session() = std::make_unique<XSession>();
        ASSERT_TRUE(Session()->Ready()) << Session()->Error();
        for (const auto& [name, value] : Session()->Env())
            ::setenv(name.c_str(), value.c_str(), 1);
    }
    static void TearDownTestSuite() { Session().reset(); }

    // Runs xclip while this program keeps answering the X server.
    std::string Xclip(const std::vector<std::string>& args)
    {
        auto xclip = Process::Start("/usr/bin/xclip", args);
        EXPECT_TRUE(xclip) << "xclip is missing";
        if (!xclip)
            return {};
        EXPECT_TRUE(WaitUntil([&] { return !xclip->IsRunning(); }));
        return xclip->StdOut();
    }
    // Places `content` as `mime`; the xclip process serves it until it loses
    // the clipboard or the test ends.
    std::unique_ptr<Process> Offer(const std::string& mime, const std::string& content)
    {
        const std::string file = sandbox.Root() + "/offer";
        std::ofstream(file) << content;
        auto xclip = Process::Start("/usr/bin/xclip",
                                    {"-quiet", "-selection", "clipboard", "-t", mime, "-i", file});
        EXPECT_TRUE(xclip);
        return xclip;
    }
    void OpenFolder(const std::string& name)
    {
        Open();
        SelectFolder(Child(browser->Tree().Root(), "我的文档"), name);
    }
};

TEST_F(ClipboardTest, OtherProgramsReadWhatIsCopiedHere)
{
    const std::string dir = paths.documents + "/相册 1985";
    fs::create_directories(dir);
    WritePicture(dir + "/Slide 01.jpg", 20, 20, 0, 0, 0);
    OpenFolder("相册 1985");
    browser->CutItems({Row("Slide 01.jpg")});

    const std::string uri =
        "file://" + paths.documents + "/%E7%9B%B8%E5%86%8C%201985/Slide%2001.jpg";
    EXPECT_EQ(Xclip({"-selection", "clipboard", "-o", "-t", "x-special/gnome-copied-files"}),
              "cut\n" + uri);
    EXPECT_EQ(Xclip({"-selection", "clipboard", "-o", "-t", "text/uri-list"}), uri + "\r\n");
    EXPECT_EQ(Xclip({"-selection", "clipboard", "-o", "-t", "application/x-kde-cutselection"}),
              "1");
}

TEST_F(ClipboardTest, ACutPlacedByAnotherProgramPastesAsAMove)
{
    const std::string from = paths.documents + "/from", to = paths.documents + "/to";
    fs::create_directories(from);
    fs::create_directories(to);
    WritePicture(from + "/a b.jpg", 20, 20, 0, 0, 0);
    WritePicture(from + "/c.jpg", 20, 20, 0, 0, 0);
    OpenFolder("to");

    auto cut = Offer("x-special/gnome-copied-files", "cut\nfile://" + from + "/a%20b.jpg");
    ASSERT_TRUE(WaitUntil(
        [&]
        {
            const auto files = clipboard.Files();
            return files && files->effect == ClipboardEffect::Move;
        }));
    EXPECT_TRUE(browser->BackgroundMenuState().paste);
    view->OnCommand(ids::kListPaste);
    WaitForOperation();
    EXPECT_TRUE(Exists(to + "/a b.jpg"));
    EXPECT_FALSE(Exists(from + "/a b.jpg"));
    EXPECT_EQ(Names(), std::vector<std::string>{"a b.jpg"});
    // The cut is used up: the clipboard no longer offers it.
    EXPECT_TRUE(WaitUntil([&] { return !clipboard.Files().has_value(); }));

    // A plain list names no effect: a copy.
    auto copy = Offer("text/uri-list", "file://" + from + "/c.jpg\r\n");
    ASSERT_TRUE(WaitUntil([&] { return clipboard.Files().has_value(); }));
    view->OnCommand(ids::kListPaste);
    WaitForOperation();
    EXPECT_TRUE(Exists(to + "/c.jpg"));
    EXPECT_TRUE(Exists(from + "/c.jpg"));
}

} // namespace
} // namespace tavrel::test
