#include "browser/BrowserFixture.h"
#include "support/Files.h"

#include "browser/FolderListing.h"
#include "platform/Trash.h"

#include <QAction>
#include <atomic>
#include <chrono>
#include <thread>
#include <QHeaderView>
#include <QListView>
#include <QMenu>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTextLayout>
#include <QTreeView>

namespace tavrel::test
{
namespace
{

namespace fs = std::filesystem;

class ListTest : public BrowserFixture
{
protected:
    void ShowDocumentsFolder(const std::string& name)
    {
        SelectFolder(Child(browser->Tree().Root(), "我的文档"), name);
    }
    std::string Folder(const std::string& name) { return paths.documents + "/" + name; }
};

TEST_F(ListTest, IconAndDetailsViewsOfOneFolder)
{
    const std::string dir = Folder("scans");
    fs::create_directories(dir + "/sub");
    fs::create_directories(dir + "/.cache");
    WritePicture(dir + "/PHOTO.JPG", 64, 48, 0, 0, 255);
    WritePicture(dir + "/.hidden.jpg", 32, 32, 0, 255, 0);
    WriteText(dir + "/notes.txt", "not a picture");
    Open();
    ShowDocumentsFolder("scans");

    // Icons: pictures under lower-case labels over their real names, hidden
    // pictures too, plain folders, nothing else.
    EXPECT_EQ(Names(), (std::vector<std::string>{".hidden.jpg", "PHOTO.JPG", "sub"}));
    EXPECT_EQ(Labels(), (std::vector<std::string>{".hidden.jpg", "photo.jpg", "sub"}));
    ASSERT_TRUE(WaitUntil([&] { return ThumbnailsDone(); }));
    const ListItem& photo = browser->List().Items()[std::size_t(Row("PHOTO.JPG"))];
    ASSERT_TRUE(photo.thumbnail);
    // 64 × 48 fills the width: 45 × 33 at top 3; red inside, white frame.
    const std::uint8_t* centre = photo.thumbnail->bgr.data() + 20 * 135 + 22 * 3;
    EXPECT_GT(centre[2], 200);
    EXPECT_LT(centre[0], 60);
    EXPECT_EQ(photo.thumbnail->bgr[0], 255);
    EXPECT_EQ(view->IconView()
                  ->model()
                  ->data(view->IconView()->model()->index(Row("PHOTO.JPG"), 0))
                  .toString()
                  .toStdString(),
              "photo.jpg");

    // Details: no hidden entries, real names, the four columns.
    view->OnCommand(ids::kListDetails);
    EXPECT_EQ(Names(), (std::vector<std::string>{"PHOTO.JPG", "sub"}));
    const ListItem& row = browser->List().Items()[0];
    EXPECT_EQ(row.path, dir + "/PHOTO.JPG");
    EXPECT_EQ(row.sizeText, FormatFileSize(fs::file_size(dir + "/PHOTO.JPG")));
    EXPECT_EQ(row.dateText.size(), std::string("2024/05/01/13:45:10").size());
    EXPECT_EQ(browser->List().Items()[1].sizeText, "");
    QAbstractItemModel* model = view->DetailsView()->model();
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString().toStdString(), "文件名");
    EXPECT_EQ(model->headerData(3, Qt::Horizontal).toString().toStdString(), "修改日期");
    int mode = -1;
    settings.GetDefaultViewMode(mode);
    EXPECT_EQ(mode, 1);
}

// The lines an icon cell's label takes, wrapped as the style wraps it.
QStringList LabelLines(QListView* icons, const QModelIndex& index, int* width)
{
    *width = icons->visualRect(index).width() -
             2 * (icons->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, icons) + 1);
    const auto* delegate = qobject_cast<QStyledItemDelegate*>(icons->itemDelegateForIndex(index));
    const QString text = delegate ? delegate->displayText(index.data(), QLocale()) : QString();
    QTextLayout layout(text, icons->font());
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine())
    {
        line.setLineWidth(*width);
        if (line.naturalTextWidth() > *width)
            lines << QStringLiteral("(too wide)");
        lines << text.mid(line.textStart(), line.textLength()).remove(QChar(0x200B));
    }
    layout.endLayout();
    return lines;
}

TEST_F(ListTest, TimeStampedNamesStayWholeInBothViews)
{
    const std::string dir = Folder("stored");
    fs::create_directories(dir);
    WritePicture(dir + "/2026-12-09-07-30-15_2.jpg", 64, 48, 0, 0, 255);
    WritePicture(dir + "/1985-01 Christmas.jpg", 64, 48, 0, 0, 255);
    Open();
    view->show();
    ShowDocumentsFolder("stored");
    QListView* icons = view->IconView();
    const QModelIndex stamped = icons->model()->index(Row("2026-12-09-07-30-15_2.jpg"), 0);
    ASSERT_TRUE(WaitUntil([&] { return icons->visualRect(stamped).width() > 0; }));

    // Date over time, each whole in its line.
    int width = 0;
    EXPECT_EQ(LabelLines(icons, stamped, &width), (QStringList{"2026-12-09-", "07-30-15_2.jpg"}))
        << width;
    // Other names wrap at their blanks as before.
    EXPECT_EQ(IconLabelText("1985-01 christmas.jpg"), "1985-01 christmas.jpg");
    EXPECT_EQ(IconLabelText("2026-12-09.jpg"), "2026-12-09.jpg");

    view->OnCommand(ids::kListDetails);
    const QTreeView* details = view->DetailsView();
    EXPECT_GE(details->header()->sectionSize(0),
              details->fontMetrics().horizontalAdvance("2026-12-09-07-30-15_2.jpg") +
                  details->iconSize().width());
}

TEST_F(ListTest, EveryCommandUsesTheRealName)
{
    const std::string dir = Folder("case");
    fs::create_directories(dir);
    WritePicture(dir + "/PHOTO.JPG", 40, 40, 255, 0, 0);
    WritePicture(dir + "/photo.jpg", 40, 40, 0, 255, 0);
    Open();
    ShowDocumentsFolder("case");
    EXPECT_EQ(Labels(), (std::vector<std::string>{"photo.jpg", "photo.jpg"}));
    const int upper = Row("PHOTO.JPG");

    browser->Open({upper});
    EXPECT_EQ(dialogs.opened, std::vector<std::string>{dir + "/PHOTO.JPG"});

    browser->CopyItems({upper});
    const auto files = clipboard.Files();
    ASSERT_TRUE(files);
    EXPECT_EQ(files->paths, std::vector<std::string>{dir + "/PHOTO.JPG"});
    EXPECT_TRUE(frame.flags[EditFlag::Paste]);

    browser->DeleteItems({upper});
    WaitForOperation();
    EXPECT_FALSE(Exists(dir + "/PHOTO.JPG"));
    EXPECT_TRUE(Exists(dir + "/photo.jpg"));
    EXPECT_EQ(Names(), std::vector<std::string>{"photo.jpg"});
    const std::string trash = HomeTrashFolder();
    EXPECT_TRUE(Exists(trash + "/files/PHOTO.JPG"));
    const std::string record = ReadFile(trash + "/info/PHOTO.JPG.trashinfo");
    EXPECT_NE(record.find("Path=" + dir + "/PHOTO.JPG\n"), std::string::npos) << record;
}

TEST_F(ListTest, AStoredPictureAppearsAtOnce)
{
    const std::string dir = Folder("incoming");
    fs::create_directories(dir);
    WritePicture(dir + "/a.jpg", 30, 30, 0, 0, 0);
    Open();
    ShowDocumentsFolder("incoming");
    ASSERT_TRUE(WaitUntil([&] { return ThumbnailsDone(); }));
    WritePicture(dir + "/2024-05-01-13-45-10.jpg", 300, 200, 255, 0, 0);
    browser->List().OnPictureStored(1, dir + "/2024-05-01-13-45-10.jpg");
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.jpg", "2024-05-01-13-45-10.jpg"}));
    EXPECT_EQ(view->Model()->rowCount(), 2);
    ASSERT_TRUE(WaitUntil([&] { return browser->List().Items()[1].thumbnail != nullptr; }));
    // A file of another folder is not added.
    browser->List().OnPictureStored(1, paths.documents + "/x.jpg");
    EXPECT_EQ(Names().size(), 2u);
}

TEST_F(ListTest, NoOldThumbnailLandsInANewList)
{
    const std::string a = Folder("a"), b = Folder("b");
    fs::create_directories(a);
    fs::create_directories(b);
    for (int i = 0; i < 40; ++i)
        WritePicture(a + "/" + std::to_string(100 + i) + ".jpg", 1600, 1200, 0, 0, 255);
    // The second cell of the old folder is held in hand until the new folder
    // shows, so the worker is surely busy with the old job at the switch.
    WriteText(a + "/100b.jpg", "not a picture");
    for (int i = 0; i < 3; ++i)
        WritePicture(b + "/" + std::to_string(i) + ".jpg", 64, 64, 255, 0, 0);
    Open();
    std::atomic<bool> held{false}, release{false};
    browser->List().ThumbnailWorker().SetFallbackDecoder(
        [&](const std::string& path, CDib&, int, int)
        {
            if (path.ends_with("100b.jpg"))
            {
                held = true;
                for (int i = 0; i < 2000 && !release; ++i)
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            return false;
        });
    ShowDocumentsFolder("a");
    ASSERT_TRUE(WaitUntil([&] { return held.load(); }));
    ASSERT_TRUE(browser->List().ThumbnailWorker().Running());
    browser->Tree().Select(browser->Tree().Selected()->parent);
    ShowDocumentsFolder("b");
    release = true;
    ASSERT_TRUE(WaitUntil([&] { return ThumbnailsDone(); }));
    QTest::qWait(100); // batches of the old worker still queued would land now
    ASSERT_EQ(Names().size(), 3u);
    for (const ListItem& item : browser->List().Items())
    {
        ASSERT_TRUE(item.thumbnail) << item.name;
        const std::uint8_t* centre = item.thumbnail->bgr.data() + 20 * 135 + 22 * 3;
        EXPECT_GT(centre[0], 200) << item.name; // blue, never the old folder's red
        EXPECT_LT(centre[2], 60) << item.name;
    }
}

TEST_F(ListTest, CopyPasteAndCutPasteUpdateBothPanes)
{
    const std::string from = Folder("from"), to = Folder("to");
    fs::create_directories(from + "/roll1");
    fs::create_directories(to);
    WritePicture(from + "/roll1/1.jpg", 20, 20, 0, 0, 0);
    WritePicture(from + "/slide.jpg", 20, 20, 0, 0, 0);
    Open();
    TreeNode* documents = Child(browser->Tree().Root(), "我的文档");
    ShowDocumentsFolder("from");
    TreeNode* fromNode = browser->Tree().Selected();
    ASSERT_TRUE(WaitUntil(
        [&] {
            return Child(fromNode, "roll1") != nullptr || (browser->Tree().Expand(fromNode), false);
        }));

    browser->CopyItems({Row("slide.jpg")});
    browser->CutItems({Row("roll1")});
    EXPECT_EQ(clipboard.Files()->effect, ClipboardEffect::Move);
    browser->CopyItems({Row("slide.jpg")}); // the copy replaces the cut on the clipboard
    browser->Tree().Select(documents);
    SelectFolder(documents, "to");
    view->OnCommand(ids::kListPaste);
    WaitForOperation();
    EXPECT_TRUE(Exists(to + "/slide.jpg"));
    EXPECT_TRUE(Exists(from + "/slide.jpg"));
    EXPECT_EQ(Names(), std::vector<std::string>{"slide.jpg"});

    // Pasting the copy again keeps both.
    view->OnCommand(ids::kListPaste);
    WaitForOperation();
    EXPECT_EQ(dialogs.asked, std::vector<std::string>{"slide.jpg"});
    EXPECT_FALSE(dialogs.lastCanReplace == false);
    EXPECT_TRUE(Exists(to + "/slide (2).jpg"));

    // Cut a folder from the list, paste it through the tree: moved, its
    // node gone from the tree, the clipboard used up.
    browser->Tree().Select(fromNode);
    ASSERT_TRUE(
        WaitUntil([&] { return browser->List().Folder() == from && !browser->List().Loading(); }));
    browser->CutItems({Row("roll1")});
    TreeNode* toNode = Child(documents, "to");
    browser->Tree().Select(toNode);
    tree->OnCommand(ids::kTreePaste);
    WaitForOperation();
    EXPECT_TRUE(Exists(to + "/roll1/1.jpg"));
    EXPECT_FALSE(Exists(from + "/roll1"));
    EXPECT_EQ(Child(fromNode, "roll1"), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return Child(toNode, "roll1") != nullptr; }));
    EXPECT_FALSE(clipboard.Files().has_value());
}

TEST_F(ListTest, DeleteAndRenameChangeExactlyTheirItems)
{
    const std::string dir = Folder("box");
    fs::create_directories(dir);
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"})
        WritePicture(dir + "/" + name, 20, 20, 0, 0, 0);
    Open();
    ShowDocumentsFolder("box");

    browser->DeleteItems({Row("b.jpg"), Row("c.jpg"), Row("e.jpg")});
    WaitForOperation();
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.jpg", "d.jpg"}));
    EXPECT_EQ(view->Model()->rowCount(), 2);
    EXPECT_EQ(dialogs.confirmed.back().size(), 3u);

    // A taken name is refused and the old one stays.
    ASSERT_TRUE(browser->StartRenameItem(Row("a.jpg")));
    EXPECT_TRUE(frame.labelEditing);
    EXPECT_FALSE(browser->FinishRenameItem(Row("a.jpg"), "d.jpg"));
    EXPECT_FALSE(frame.labelEditing);
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_NE(dialogs.errors[0].find("d.jpg"), std::string::npos);
    EXPECT_TRUE(Exists(dir + "/a.jpg"));
    EXPECT_FALSE(browser->FinishRenameItem(Row("a.jpg"), "x/y.jpg"));

    // Through the editor, as the user types it.
    SelectRows({Row("a.jpg")});
    view->OnCommand(ids::kListRename);
    EXPECT_TRUE(frame.labelEditing);
    // What the editor commits when the user presses Enter.
    EXPECT_TRUE(
        view->Model()->setData(view->Model()->index(Row("a.jpg"), 0), "Roll 1.JPG", Qt::EditRole));
    EXPECT_FALSE(frame.labelEditing);
    EXPECT_TRUE(Exists(dir + "/Roll 1.JPG"));
    EXPECT_EQ(Names(), (std::vector<std::string>{"Roll 1.JPG", "d.jpg"}));
    EXPECT_EQ(Labels()[0], "roll 1.jpg");
}

TEST_F(ListTest, MenusAndKeysOfTheList)
{
    const std::string dir = Folder("keys");
    fs::create_directories(dir);
    WritePicture(dir + "/a.jpg", 20, 20, 0, 0, 0);
    Open();
    ShowDocumentsFolder("keys");
    auto enabled = [&](int id)
    {
        for (QAction* action : view->ContextMenu()->actions())
            if (action->data().toInt() == id)
                return action->isEnabled();
        return false;
    };
    EXPECT_EQ(view->ContextMenu()->property("controlId").toInt(), 283);
    EXPECT_FALSE(enabled(ids::kListPaste));
    SelectRows({0});
    EXPECT_EQ(view->ContextMenu()->property("controlId").toInt(), 294);
    EXPECT_TRUE(enabled(ids::kListCut));
    EXPECT_TRUE(frame.flags[EditFlag::Cut]);
    EXPECT_EQ(frame.status, "a.jpg");

    QTest::keyClick(view->IconView(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_TRUE(clipboard.Files().has_value());
    view->IconView()->clearSelection();
    EXPECT_FALSE(frame.flags[EditFlag::Cut]);
    // Ctrl+D without a selection switches to details; Ctrl+N back to icons.
    QTest::keyClick(view->IconView(), Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(browser->List().Mode(), ViewMode::Details);
    QTest::keyClick(view->DetailsView(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(browser->List().Mode(), ViewMode::Icons);
    view->OnCommand(ids::kSelectAll);
    EXPECT_EQ(view->SelectedRows(), std::vector<int>{0});
    view->OnCommand(ids::kInvertSelection);
    EXPECT_TRUE(view->SelectedRows().empty());

    // Properties: name, size and the picture's dimensions and resolution.
    QTest::keyClick(view->IconView(), Qt::Key_R, Qt::ControlModifier);
    ASSERT_TRUE(WaitUntil([&] { return !dialogs.shownProperties.empty(); }));
    EXPECT_EQ(dialogs.shownProperties[0].name, "keys");
    EXPECT_TRUE(dialogs.shownProperties[0].isFolder);
    EXPECT_EQ(dialogs.shownProperties[0].files, 1u);
    SelectRows({0});
    view->OnCommand(ids::kListProperties);
    ASSERT_TRUE(WaitUntil([&] { return dialogs.shownProperties.size() == 2; }));
    EXPECT_TRUE(dialogs.shownProperties[1].pictureRead);
    EXPECT_EQ(dialogs.shownProperties[1].width, 20);
    EXPECT_EQ(dialogs.shownProperties[1].xDpi, 300);
}

} // namespace
} // namespace tavrel::test
