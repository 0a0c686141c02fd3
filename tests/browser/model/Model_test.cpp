#include "support/Files.h"
#include "support/Sandbox.h"

#include "browser/BrowserStrings.h"
#include "browser/ClipboardFiles.h"
#include "browser/FileOperation.h"
#include "browser/FolderListing.h"
#include "browser/ThumbnailCell.h"
#include "imaging/cwimage/dib/Dib.h"
#include "platform/DropFiles.h"
#include "platform/Trash.h"
#include "platform/Volumes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <algorithm>
#include <array>
#include <map>

#include <unistd.h>

namespace tavrel::test
{
namespace
{

namespace fs = std::filesystem;

TEST(BrowserTexts, SizesDatesAndPlaceholders)
{
    const std::pair<std::uint64_t, const char*> sizes[] = {
        {0, "0B"},           {1023, "1023B"},        {1024, "1KB"},
        {1048575, "1023KB"}, {1048576, "1MB"},       {1073741823, "1023MB"},
        {1073741824, "1GB"}, {6442450944ull, "6GB"}, // past 32 bits
    };
    for (const auto& [length, text] : sizes)
        EXPECT_EQ(FormatFileSize(length), text) << length;
    EXPECT_EQ(FormatFileDate(0).size(), std::string("1970/01/01/00:00:00").size());
    EXPECT_EQ(FormatText("“%1” %2 %1", {"a%2", "b"}), "“a%2” b a%2");
    EXPECT_STREQ(BuiltinBrowserString(ids::kNewFolderName), "新建文件夹");
    EXPECT_STREQ(BuiltinBrowserString(12345), "");
}

TEST(ThumbnailCell, FitRuleAndFrame)
{
    const CellPlacement square = FitThumbnail(100, 100);
    EXPECT_EQ((std::array{square.left, square.top, square.width, square.height}),
              (std::array{2, 0, 40, 40}));
    const CellPlacement wide = FitThumbnail(200, 100);
    EXPECT_EQ((std::array{wide.left, wide.top, wide.width, wide.height}),
              (std::array{0, 9, 45, 22}));
    // 40 × 45 is just taller than the cell's 40/45: fitted to the height.
    const CellPlacement exact = FitThumbnail(45, 40);
    EXPECT_EQ((std::array{exact.width, exact.height}), (std::array{45, 40}));

    CDib grey;
    ASSERT_TRUE(grey.Create(50, 200, 8, 300));
    for (int y = 0; y < 200; ++y)
        std::fill(grey.Row(y), grey.Row(y) + 50, std::uint8_t(10));
    const ThumbnailImage cell = RenderThumbnailCell(grey);
    ASSERT_EQ(cell.bgr.size(), 45u * 40 * 3);
    auto at = [&](int x, int y) { return cell.bgr[std::size_t(y * cell.Stride() + 3 * x)]; };
    EXPECT_EQ(at(22, 0), 255);  // frame
    EXPECT_EQ(at(22, 39), 255); // frame
    EXPECT_EQ(at(22, 20), 10);  // picture, 10 wide at left 17
    EXPECT_EQ(at(10, 20), 255); // white ground beside it
}

TEST(ClipboardFiles, WritesAndReadsTheFileManagersFormats)
{
    const ClipboardFiles cut{{"/home/u/相册 1985/a#1.jpg", "/tmp/b"}, ClipboardEffect::Move};
    auto written = EncodeClipboardFiles(cut);
    EXPECT_EQ(written[kUriListMime],
              "file:///home/u/%E7%9B%B8%E5%86%8C%201985/a%231.jpg\r\nfile:///tmp/b\r\n");
    EXPECT_EQ(written[kGnomeCopiedFilesMime].substr(0, 4), "cut\n");
    EXPECT_EQ(written[kKdeCutSelectionMime], "1");
    auto reader = [](std::map<std::string, std::string> data)
    {
        return [data](const std::string& mime) -> std::optional<std::string>
        {
            const auto found = data.find(mime);
            return found == data.end() ? std::nullopt : std::optional(found->second);
        };
    };
    auto back = DecodeClipboardFiles(reader(written));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->paths, cut.paths);
    EXPECT_EQ(back->effect, ClipboardEffect::Move);

    // Another program's cut in each form; a list alone is a copy.
    EXPECT_EQ(DecodeClipboardFiles(reader({{kGnomeCopiedFilesMime, "cut\nfile:///x"}}))->effect,
              ClipboardEffect::Move);
    EXPECT_EQ(
        DecodeClipboardFiles(reader({{kUriListMime, "file:///x\n"}, {kKdeCutSelectionMime, "1"}}))
            ->effect,
        ClipboardEffect::Move);
    EXPECT_EQ(DecodeClipboardFiles(
                  reader({{kPlainTextMime, "x-special/nautilus-clipboard\ncut\nfile:///x\n"}}))
                  ->paths,
              std::vector<std::string>{"/x"});
    EXPECT_EQ(DecodeClipboardFiles(reader({{kUriListMime, "# c\r\nfile://localhost/x"}}))->effect,
              ClipboardEffect::Copy);
    EXPECT_FALSE(DecodeClipboardFiles(reader({{kUriListMime, "https://a/b\nfile://host/x"}})));
    EXPECT_FALSE(DecodeClipboardFiles(reader({{kUriListMime, "file:///a%00b"}})));
}

TEST(DropFiles, BlockLayoutAndRoundTrip)
{
    const std::vector<std::string> paths = {"/a", "/相"};
    const auto block = BuildDropFiles(paths);
    // n = 3 + 5 + 1 bytes of the zero-ended UTF-8 list: 2n + 28.
    ASSERT_EQ(block.size(), 2u * 9 + 28);
    EXPECT_EQ(block[0], 20);   // offset of the list
    EXPECT_EQ(block[16], 1);   // wide characters
    EXPECT_EQ(block[20], '/'); // "/a" in UTF-16LE
    EXPECT_EQ(block[22], 'a');
    EXPECT_EQ(block[24], 0);
    EXPECT_EQ(block[28], 0xF8); // U+76F8
    EXPECT_EQ(block[29], 0x76);
    EXPECT_EQ(ParseDropFiles(block), paths);
    EXPECT_EQ(ParseDropEffect(BuildDropEffect(DROPEFFECT_MOVE)), DROPEFFECT_MOVE);
    auto broken = block;
    broken[0] = 200; // offset past the block
    EXPECT_FALSE(ParseDropFiles(broken));
    EXPECT_FALSE(ParseDropFiles(std::vector<std::uint8_t>(block.begin(), block.begin() + 26)));
    // Malformed UTF-8 (here an overlong zero) is replaced, never a zero that
    // would split one name into two.
    EXPECT_EQ(ParseDropFiles(BuildDropFiles({std::string("/a\xC0\x80") + "b"})),
              std::vector<std::string>{"/a\uFFFD\uFFFDb"});
}

TEST(Volumes, RootFirstThenUserMounts)
{
    const std::string info = "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
                             "23 22 0:5 / /proc rw - proc proc rw\n"
                             "24 22 8:17 / /media/u/My\\040Disk rw - vfat /dev/sdb1 rw\n"
                             "25 22 0:40 / /run/user/1000 rw - tmpfs tmpfs rw\n"
                             "26 22 8:33 / /home/u/nas rw - nfs server:/x rw\n";
    const auto volumes = ParseVolumes(info, "/home/u");
    ASSERT_EQ(volumes.size(), 3u);
    EXPECT_EQ(volumes[0].mountPoint, "/");
    EXPECT_EQ(volumes[1].mountPoint, "/media/u/My Disk");
    EXPECT_EQ(volumes[2].mountPoint, "/home/u/nas");
}

class FileOperations : public ::testing::Test
{
protected:
    Sandbox sandbox;
    std::string root = sandbox.Root();
    std::atomic<bool> cancel{false};
    OperationOutcome Run(OperationKind kind, std::vector<OperationItem> items,
                         std::function<void(const OperationProgress&)> progress = {})
    {
        return CFileOperation::Run(kind, items, cancel, progress);
    }
    static void Write(const std::string& path, std::size_t bytes)
    {
        std::ofstream(path) << std::string(bytes, 'x');
    }
    static std::vector<std::string> Entries(const std::string& folder)
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(FileOperations, CopiesTreesAndMovesAcrossVolumes)
{
    fs::create_directories(root + "/src/roll/sub");
    fs::create_directories(root + "/dst");
    Write(root + "/src/roll/sub/a.jpg", 3000);
    fs::create_symlink("sub/a.jpg", root + "/src/roll/link.jpg");
    const auto copied = Run(OperationKind::Copy, {{root + "/src/roll", root + "/dst/roll"}});
    EXPECT_TRUE(copied.error.empty()) << copied.error;
    EXPECT_EQ(fs::file_size(root + "/dst/roll/sub/a.jpg"), 3000u);
    EXPECT_TRUE(fs::is_symlink(root + "/dst/roll/link.jpg"));
    EXPECT_EQ(Entries(root + "/dst"), std::vector<std::string>{"roll"});

    // /dev/shm is another file system: the move copies, then removes.
    const std::string shm = "/dev/shm/tavrel-move-" + std::to_string(::getpid());
    fs::create_directories(shm);
    const auto moved = Run(OperationKind::Move, {{root + "/dst/roll", shm + "/roll"}});
    EXPECT_TRUE(moved.error.empty()) << moved.error;
    EXPECT_EQ(moved.completed.size(), 1u);
    EXPECT_FALSE(fs::exists(root + "/dst/roll"));
    EXPECT_EQ(fs::file_size(shm + "/roll/sub/a.jpg"), 3000u);
    fs::remove_all(shm);
}

TEST_F(FileOperations, CancelAndFailureLeaveNothingHalfWritten)
{
    fs::create_directories(root + "/src/big");
    fs::create_directories(root + "/dst");
    Write(root + "/src/first.jpg", 100);
    Write(root + "/src/big/huge.tif", 8 << 20);
    Write(root + "/dst/taken.jpg", 5);
    const auto outcome = Run(OperationKind::Copy,
                             {{root + "/src/first.jpg", root + "/dst/first.jpg"},
                              {root + "/src/big", root + "/dst/big"}},
                             [&](const OperationProgress& p)
                             {
                                 if (p.currentName == "big")
                                     cancel = true;
                             });
    EXPECT_TRUE(outcome.cancelled);
    ASSERT_EQ(outcome.completed.size(), 1u);
    // The first file is whole; of the folder nothing remains, not even a
    // temporary name.
    EXPECT_EQ(Entries(root + "/dst"), (std::vector<std::string>{"first.jpg", "taken.jpg"}));

    cancel = false;
    const auto refused =
        Run(OperationKind::Copy, {{root + "/src/first.jpg", root + "/dst/taken.jpg", false}});
    EXPECT_FALSE(refused.error.empty());
    EXPECT_EQ(fs::file_size(root + "/dst/taken.jpg"), 5u);
    const auto replaced =
        Run(OperationKind::Copy, {{root + "/src/first.jpg", root + "/dst/taken.jpg", true}});
    EXPECT_TRUE(replaced.error.empty());
    EXPECT_EQ(fs::file_size(root + "/dst/taken.jpg"), 100u);
    const auto missing = Run(OperationKind::Copy, {{root + "/src/first.jpg", root + "/no/x.jpg"}});
    EXPECT_FALSE(missing.error.empty());
    EXPECT_EQ(Entries(root + "/dst"), (std::vector<std::string>{"first.jpg", "taken.jpg"}));
}

TEST_F(FileOperations, TrashKeepsEveryEntryWithItsRecord)
{
    const std::string dataHome = root + "/data";
    ::setenv("XDG_DATA_HOME", dataHome.c_str(), 1);
    fs::create_directories(root + "/a");
    fs::create_directories(root + "/b");
    Write(root + "/a/scan 1.jpg", 10);
    Write(root + "/b/scan 1.jpg", 20);
    const auto first = MoveToTrash(root + "/a/scan 1.jpg");
    const auto second = MoveToTrash(root + "/b/scan 1.jpg");
    ::unsetenv("XDG_DATA_HOME");
    ASSERT_TRUE(first.ok && second.ok) << first.error << second.error;
    EXPECT_EQ(Entries(dataHome + "/Trash/files"),
              (std::vector<std::string>{"scan 1.2.jpg", "scan 1.jpg"}));
    const std::string record = ReadFile(dataHome + "/Trash/info/scan 1.2.jpg.trashinfo");
    EXPECT_EQ(record.substr(0, 13), "[Trash Info]\n");
    EXPECT_NE(record.find("Path=" + EncodeTrashPath(root) + "/b/scan%201.jpg\n"),
              std::string::npos);
    EXPECT_NE(record.find("DeletionDate="), std::string::npos);
    EXPECT_FALSE(MoveToTrash(root + "/a/none.jpg").ok);
}

} // namespace
} // namespace tavrel::test
