#include "ChannelHelpers.h"
#include "manager/HandoverReceiver.h"
#include "platform/MessageBox.h"
#include "support/OtherUser.h"
#include "support/Sandbox.h"
#include "support/Wait.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tavrel
{
namespace
{

int BoxesMentioning(const std::string& text)
{
    int n = 0;
    for (const std::string& box : RecordedMessageBoxes())
        n += box.find(text) != std::string::npos ? 1 : 0;
    return n;
}

class FakeList : public IFileListPane
{
public:
    std::string folder;
    std::string laterFolder; // shown after the first question, when set
    std::vector<std::string> stored;
    mutable int asked = 0;
    std::string CurrentFolder() const override
    {
        return (asked++ > 0 && !laterFolder.empty()) ? laterFolder : folder;
    }
    void OnPictureStored(unsigned long long wParam, const std::string& path) override
    {
        EXPECT_EQ(wParam, 1u);
        stored.push_back(path);
    }
};

class FakeTree : public IFolderTreePane
{
public:
    FakeList* list = nullptr;
    std::string documents;
    bool computer = true;
    bool IsComputerSelected() const override { return computer; }
    void SelectDocuments() override
    {
        computer = false;
        list->folder = documents;
    }
};

class FakeStatusBar : public IStatusBar
{
public:
    std::vector<std::string> pane2;
    int placed = 0;
    std::atomic<int> hidden{0};
    std::function<void()> duringRun;
    void SetPaneText(int pane, const std::string& text) override
    {
        if (pane == 2)
            pane2.push_back(text);
    }
    RECT GetPaneRect(int) const override { return RECT{1, 2, 3, 4}; }
    void PlaceProgressBar(const RECT& r) override
    {
        EXPECT_EQ(r.left, 1);
        EXPECT_EQ(r.bottom, 4);
        ++placed;
        if (duringRun)
            duringRun();
    }
    void SetProgressPos(int) override {}
    void MoveProgressBar(const RECT& r) override
    {
        if (r.right == 0 && r.bottom == 0)
            ++hidden;
    }
};

class Receiver : public ::testing::Test
{
protected:
    test::Sandbox sandbox;
    std::string dest = sandbox.Root() + "/dest";
    FakeList list;
    FakeStatusBar bar;
    int closes = 0;
    ManagerPanes panes;
    std::unique_ptr<CHandoverReceiver> receiver;

    void SetUp() override
    {
        fs::create_directories(dest);
        list.folder = dest;
        panes.fileList = &list;
        panes.statusBar = &bar;
        panes.closeFrame = [this] { ++closes; };
        receiver = std::make_unique<CHandoverReceiver>(panes);
        ClearRecordedMessageBoxes();
    }

    std::vector<fs::path> Files(const std::string& folder) const
    {
        std::vector<fs::path> files;
        for (const auto& e : fs::directory_iterator(folder))
            files.push_back(e.path());
        return files;
    }

    void ExpectIdle() const
    {
        EXPECT_FALSE(receiver->IsBusy());
        EXPECT_TRUE(receiver->Queue().IsEmpty());
        EXPECT_FALSE(receiver->BufferHoldsPixels());
    }

    LRESULT SendOne(std::uint64_t kind = COPYDATA_PROCESSED_PICTURE, int format = kOutputJpeg,
                    int depth = 0)
    {
        CDib picture;
        test::FillPattern(picture, 20, 10);
        auto h = test::PrepareHandover(picture, test::MakeChannelPictureName(),
                                       test::MakeChannelProfile(), kind, format, depth);
        return receiver->OnCopyData(h.data);
    }
};

TEST_F(Receiver, StoresPictureAndTellsTheList)
{
    CDib picture;
    test::FillPattern(picture, 33, 7);
    const std::string profile = test::MakeChannelProfile();
    const std::string name = test::MakeChannelPictureName();
    auto h = test::PrepareHandover(picture, name, profile);
    EXPECT_EQ(receiver->OnCopyData(h.data), kPictureTaken);

    const auto files = Files(dest);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].extension(), ".jpg");
    ASSERT_EQ(list.stored.size(), 1u);
    EXPECT_EQ(list.stored[0], files[0].string());
    CDib back;
    ASSERT_EQ(back.LoadFile(files[0].string()), 1);
    EXPECT_EQ(back.Width(), 33);
    EXPECT_EQ(back.Height(), 7);
    EXPECT_FALSE(fs::exists(profile));
    EXPECT_EQ(bar.placed, 1);
    EXPECT_EQ(bar.hidden, 1);
    EXPECT_EQ(bar.pane2.front(), "等待处理页数：1");
    EXPECT_EQ(bar.pane2.back(), "");
    ExpectIdle();
}

TEST_F(Receiver, FolderChangedSinceArrivalIsNotTold)
{
    list.laterFolder = sandbox.Root();
    list.asked = 0; // the receiver's start asked already
    EXPECT_EQ(SendOne(), kPictureTaken);
    EXPECT_EQ(Files(dest).size(), 1u);
    EXPECT_TRUE(list.stored.empty());
}

TEST_F(Receiver, ComputerSelectedLandsInDocuments)
{
    FakeTree tree;
    tree.list = &list;
    tree.documents = sandbox.Root() + "/Documents";
    fs::create_directories(tree.documents);
    panes.folderTree = &tree;
    receiver = std::make_unique<CHandoverReceiver>(panes);
    EXPECT_EQ(SendOne(COPYDATA_PROCESSED_PICTURE, kOutputTiff, kBitDepth24), kPictureTaken);
    EXPECT_FALSE(tree.computer);
    ASSERT_EQ(Files(tree.documents).size(), 1u);
    EXPECT_EQ(Files(tree.documents)[0].extension(), ".tiff");
    EXPECT_TRUE(Files(dest).empty());
    ASSERT_EQ(list.stored.size(), 1u);
}

TEST_F(Receiver, RefusesWhileBusyAndCloseWaitsForTheRun)
{
    LRESULT nested = -1;
    bool mayClose = true;
    int queuedDuringRun = -1;
    bool once = false;
    bar.duringRun = [&]
    {
        // A nested message loop delivers a second picture during the run.
        if (std::exchange(once, true))
            return;
        queuedDuringRun = receiver->Queue().Count();
        nested = SendOne();
        mayClose = receiver->RequestClose();
    };
    EXPECT_EQ(SendOne(), kPictureTaken);
    EXPECT_EQ(nested, kPictureRefused);
    EXPECT_EQ(queuedDuringRun, 1);
    EXPECT_FALSE(mayClose);
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(Files(dest).size(), 1u);
    EXPECT_TRUE(receiver->IsClosePending());
    // Closing: nothing more is taken.
    EXPECT_EQ(SendOne(), kPictureRefused);
    EXPECT_EQ(Files(dest).size(), 1u);
}

TEST_F(Receiver, UnreadableProfileClearsJobBufferAndBusy)
{
    CDib picture;
    test::FillPattern(picture, 8, 8);
    const std::string missing = GetTempPath() + "FFFF.tmp_cfg.xml";
    auto h = test::PrepareHandover(picture, test::MakeChannelPictureName(), missing);
    EXPECT_EQ(receiver->OnCopyData(h.data), kPictureRefused);
    ExpectIdle();
    h.section.reset();
    // The next picture is accepted.
    EXPECT_EQ(SendOne(), kPictureTaken);
    EXPECT_EQ(Files(dest).size(), 1u);
}

TEST_F(Receiver, MissingSectionIsNotQueued)
{
    CDib picture;
    test::FillPattern(picture, 8, 8);
    auto h =
        test::PrepareHandover(picture, test::MakeChannelPictureName(), test::MakeChannelProfile());
    h.section.reset();
    testing::internal::CaptureStdout();
    EXPECT_EQ(receiver->OnCopyData(h.data), kPictureRefused);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("Could not open file mapping object ("),
              std::string::npos);
    ExpectIdle();
    EXPECT_EQ(SendOne(), kPictureTaken);
}

TEST_F(Receiver, RefusesDescriptorsThatDoNotFit)
{
    CDib picture;
    test::FillPattern(picture, 40, 30);
    const std::string profile = test::MakeChannelProfile();
    // Section smaller than width x height claims.
    {
        auto h = test::PrepareHandover(picture, test::MakeChannelPictureName(), profile,
                                       COPYDATA_PROCESSED_PICTURE, kOutputJpeg, 0, 120 * 10);
        EXPECT_EQ(receiver->OnCopyData(h.data), kPictureRefused);
    }
    struct Case
    {
        int width, height, bits, format, depth;
    };
    const Case cases[] = {{0, 30, 24, 0, 0},        {-40, 30, 24, 0, 0}, {40, -1, 24, 0, 0},
                          {40, 30, 32, 0, 0},       {40, 30, 0, 0, 0},   {100000, 30, 24, 0, 0},
                          {32768, 32768, 24, 0, 0}, {40, 30, 24, 2, 0},  {40, 30, 24, 1, 7}};
    for (const Case& c : cases)
    {
        auto h = test::PrepareHandover(picture, test::MakeChannelPictureName(), profile);
        PictureDescriptor d = *ReadPictureDescriptor(h.data.bytes.data(), h.data.bytes.size());
        d.width = c.width;
        d.height = c.height;
        d.bitsPerPixel = c.bits;
        d.outputFormat = c.format;
        d.bitDepthIndex = c.depth;
        const auto bytes = *BuildPictureDescriptor(d);
        h.data.bytes.assign(bytes.begin(), bytes.end());
        EXPECT_EQ(receiver->OnCopyData(h.data), kPictureRefused) << c.width << "x" << c.height;
    }
    // A record of the wrong size.
    auto h = test::PrepareHandover(picture, test::MakeChannelPictureName(), profile);
    h.data.bytes.resize(1000);
    EXPECT_EQ(receiver->OnCopyData(h.data), kPictureRefused);
    ExpectIdle();
    EXPECT_TRUE(Files(dest).empty());
    EXPECT_TRUE(fs::exists(profile)); // nothing taken, nothing deleted
}

TEST_F(Receiver, DeletesOnlyChannelFiles)
{
    CDib picture;
    test::FillPattern(picture, 8, 8);
    const std::string userPicture = sandbox.Root() + "/mine.bmp";
    const std::string userProfile = sandbox.Root() + "/mine_cfg.xml";
    fs::copy_file(test::MakeChannelProfile(), userProfile);
    std::ofstream(userPicture) << "precious";
    auto h = test::PrepareHandover(picture, userPicture, userProfile);
    EXPECT_EQ(receiver->OnCopyData(h.data), kPictureTaken);
    EXPECT_EQ(Files(dest).size(), 1u);
    EXPECT_EQ(test::ReadFile(userPicture), "precious");
    EXPECT_TRUE(fs::exists(userProfile));
}

TEST_F(Receiver, FailedWriteIsReportedAndRefused)
{
    list.folder = sandbox.Root() + "/gone";
    EXPECT_EQ(SendOne(), kPictureRefused);
    EXPECT_EQ(BoxesMentioning(list.folder), 1);
    EXPECT_TRUE(list.stored.empty());
    ExpectIdle();
    list.folder = dest;
    EXPECT_EQ(SendOne(), kPictureTaken);
}

TEST_F(Receiver, RawPictureIsProcessedWithItsProfile)
{
    CDib picture;
    test::FillPattern(picture, 5, 3);
    auto h = test::PrepareHandover(picture, test::MakeChannelPictureName(),
                                   test::MakeChannelProfile(true), COPYDATA_RAW_PICTURE,
                                   kOutputTiff, kBitDepth24);
    EXPECT_EQ(receiver->OnCopyData(h.data), kPictureTaken);
    const auto files = Files(dest);
    ASSERT_EQ(files.size(), 1u);
    CDib back;
    ASSERT_EQ(back.LoadFile(files[0].string()), 1);
    ASSERT_EQ(back.Width(), 5);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 15; ++x)
            ASSERT_EQ(back.Row(y)[x], 255 - picture.Row(y)[x]) << x << "," << y;
}

TEST_F(Receiver, GreyPicturesAreStoredGreyInJpegAndWithEqualChannelsInTiff)
{
    CImageProfile grey(ProfileFlavour::Capture);
    grey.LoadProfile(test::ShippedFile("Positive.xml"));
    grey.gray = 1;
    grey.doubleResolution = 1;
    CDib picture;
    test::FillPattern(picture, 6, 4);
    for (const int format : {kOutputJpeg, kOutputTiff})
    {
        const std::string profile = GetTempFileName(GetTempPath()) + "_cfg.xml";
        ASSERT_EQ(grey.SaveProfileAs(profile), 1);
        auto h = test::PrepareHandover(picture, test::MakeChannelPictureName(), profile,
                                       COPYDATA_RAW_PICTURE, format, kBitDepth24);
        ASSERT_EQ(receiver->OnCopyData(h.data), kPictureTaken);
        CDib back;
        ASSERT_EQ(back.LoadFile(receiver->Storage().LastStoredPath()), 1);
        EXPECT_EQ(back.Width(), 12);
        EXPECT_EQ(back.Height(), 8);
        EXPECT_EQ(back.BitsPerPixel(), format == kOutputJpeg ? 8 : 24);
        if (format == kOutputTiff)
            for (int x = 0; x < 12; ++x)
            {
                const std::uint8_t* p = back.Row(3) + 3 * x;
                EXPECT_TRUE(p[0] == p[1] && p[1] == p[2]) << x;
            }
    }
}

TEST_F(Receiver, OtherKindsAndMessagesAreLeftAlone)
{
    CopyData other;
    other.kind = 1002;
    bool handled = true;
    EXPECT_EQ(receiver->OnCopyData(other, &handled), 0);
    EXPECT_FALSE(handled);
    Message ignored;
    ignored.message = WM_MANAGER_IGNORED;
    EXPECT_EQ(receiver->HandleMessage(ignored, &handled), 0);
    EXPECT_TRUE(handled);
    Message close;
    close.message = WM_CLOSE;
    receiver->HandleMessage(close, &handled);
    EXPECT_FALSE(handled);
    EXPECT_TRUE(bar.pane2.empty());
}

TEST_F(Receiver, FileKindStoresACopyAndKeepsTheSource)
{
    CDib picture;
    test::FillPattern(picture, 12, 6);
    const std::string source = sandbox.Root() + "/scan.bmp";
    ASSERT_EQ(picture.SaveFile(source, kFormatBmp), 1);
    const std::string profile = test::MakeChannelProfile();
    auto h = test::PrepareHandover(picture, source, profile, COPYDATA_PICTURE_FILE, kOutputTiff,
                                   kBitDepth24);
    EXPECT_EQ(receiver->OnCopyData(h.data), kPictureTaken);
    EXPECT_TRUE(fs::exists(source));
    EXPECT_FALSE(fs::exists(profile));
    ASSERT_EQ(Files(dest).size(), 1u);
    CDib back;
    ASSERT_EQ(back.LoadFile(Files(dest)[0].string()), 1);
    EXPECT_EQ(std::memcmp(back.Row(5), picture.Row(5), 36), 0);
    ExpectIdle();

    // A file that cannot be read is reported and not stored.
    auto bad = test::PrepareHandover(picture, sandbox.Root() + "/none.bmp",
                                     test::MakeChannelProfile(), COPYDATA_PICTURE_FILE);
    EXPECT_EQ(receiver->OnCopyData(bad.data), kPictureRefused);
    EXPECT_EQ(BoxesMentioning("none.bmp"), 1);
    ExpectIdle();
}

TEST_F(Receiver, FifosHandedOverAsFilesAreRefusedWithoutBlocking)
{
    CDib picture;
    test::FillPattern(picture, 8, 8);
    const std::string fifo = sandbox.Root() + "/pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // As the picture of a file hand-over, and as the profile of a pixel one.
    test::PreparedHandover handovers[2];
    handovers[0] =
        test::PrepareHandover(picture, fifo, test::MakeChannelProfile(), COPYDATA_PICTURE_FILE);
    handovers[1] = test::PrepareHandover(picture, test::MakeChannelPictureName(), fifo);
    for (test::PreparedHandover& h : handovers)
    {
        std::atomic<LRESULT> result{-1};
        std::thread handler([&] { result = receiver->OnCopyData(h.data); });
        // Without a writer, opening a FIFO to read blocks for ever.
        const bool returned = test::WaitFor([&] { return result != -1; }, std::chrono::seconds(5));
        if (!returned)
            ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
        handler.join();
        EXPECT_TRUE(returned);
        EXPECT_EQ(result, kPictureRefused);
        ExpectIdle();
    }
    EXPECT_TRUE(Files(dest).empty());
}

TEST_F(Receiver, PixelsPlantedByAnotherUserAreNeverStored)
{
    if (!test::CanActAsOtherUser())
        GTEST_SKIP() << "needs root to act as another user";
    CDib picture;
    test::FillPattern(picture, 8, 8);
    auto h = test::PrepareHandover(picture, test::MakeChannelPictureName(),
                                   test::MakeChannelProfile(), COPYDATA_PICTURE_FILE);
    h.data.kind = COPYDATA_PROCESSED_PICTURE;
    // The other user's section passes for a live one of the right size.
    const std::string object = test::SectionObjectPath(kPictureSectionName);
    const std::size_t bytes = picture.PixelBytes();
    ASSERT_EQ(test::RunAsOtherUser(
                  [&]
                  {
                      const int fd = ::open(object.c_str(), O_RDWR | O_CREAT | O_EXCL, 0666);
                      const std::uint32_t header[6] = {0x54565353, 1, 0, 0, std::uint32_t(bytes)};
                      const bool ok = fd >= 0 && ::fchmod(fd, 0666) == 0 &&
                                      ::ftruncate(fd, off_t(64 + bytes)) == 0 &&
                                      ::pwrite(fd, header, sizeof header, 0) == sizeof header;
                      return ok ? 0 : 1;
                  }),
              0);
    testing::internal::CaptureStdout();
    EXPECT_EQ(receiver->OnCopyData(h.data), kPictureRefused);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(BoxesMentioning("belongs to another user"), 1);
    ExpectIdle();
    EXPECT_TRUE(Files(dest).empty());
    ::unlink(object.c_str());
}

} // namespace
} // namespace tavrel
