// The clipboard against a real X server and a real X clipboard client
// (xclip), both ways: what this program copies, other programs read; what
// other programs copy or cut, this program pastes.

#include "browser/BrowserFixture.h"

#include "support/Process.h"
#include "support/Wait.h"

#include <fstream>

#include <unistd.h>

namespace tavrel::test
{
namespace
{

namespace fs = std::filesystem;

// One X server with a window manager for the whole executable; Qt connects
// to it when the application object is made.
class XSession
{
public:
    XSession()
    {
        const std::string display = ":" + std::to_string(90 + ::getpid() % 800);
        m_server = Process::Start("/usr/bin/Xvfb",
                                  {display, "-nolisten", "tcp", "-screen", "0", "1024x768x24"});
        const std::string socket = "/tmp/.X11-unix/X" + display.substr(1);
        if (!m_server || !WaitFor([&] { return fs::exists(socket); }))
            return;
        ::setenv("DISPLAY", display.c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
        Process::Options options;
        options.env = {{"DISPLAY", display}};
        m_windowManager = Process::Start("/usr/bin/openbox", {}, options);
        m_ready = true;
    }
    bool Ready() const { return m_ready; }

private:
    std::unique_ptr<Process> m_server;
    std::unique_ptr<Process> m_windowManager;
    bool m_ready = false;
};

XSession& Session()
{
    static XSession* session = new XSession; // lives as long as the application
    return *session;
}

class ClipboardTest : public BrowserFixture
{
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(Session().Ready()) << "Xvfb did not start"; }

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
