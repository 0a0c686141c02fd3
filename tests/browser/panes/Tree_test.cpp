#include "browser/BrowserFixture.h"

#include <QAction>
#include <QMenu>
#include <QTranslator>

#include <condition_variable>
#include <mutex>

namespace tavrel::test
{
namespace
{

namespace fs = std::filesystem;

using TreeTest = BrowserFixture;

TEST_F(TreeTest, ReadsChildrenWithTheSkipRules)
{
    for (const char* name : {"album", "archive.zip", "ARCHIVE.ZIP", ".hidden", "回收站"})
        fs::create_directories(paths.desktop + "/" + name);
    fs::create_directories(paths.desktop + "/album/1985");
    WriteText(paths.desktop + "/notes.zip", "not a folder");
    Open();

    TreeNode* root = browser->Tree().Root();
    EXPECT_EQ(root->Text(), "桌面");
    // Network and the Recycle Bin leave by name, and so does a folder that
    // happens to carry the Recycle Bin's name; ".zip" only in lower case.
    EXPECT_EQ(ChildNames(root), (std::vector<std::string>{"我的文档", "我的电脑", "主文件夹",
                                                          "album", "ARCHIVE.ZIP"}));
    EXPECT_TRUE(Child(root, "album")->ShowsExpandButton());
    EXPECT_FALSE(Child(root, "ARCHIVE.ZIP")->ShowsExpandButton());

    // My Computer: the volumes, without the Control Panel.
    TreeNode* computer = Child(root, "我的电脑");
    bool read = false;
    browser->Tree().Expand(computer, [&] { read = true; });
    ASSERT_TRUE(WaitUntil([&] { return read; }));
    ASSERT_FALSE(computer->children.empty());
    EXPECT_EQ(computer->children.front()->Text(), "文件系统");
    EXPECT_EQ(Child(computer, "控制面板"), nullptr);

    // The view mirrors the model, with the design's numbers on its controls.
    EXPECT_EQ(tree->property("controlId").toInt(), 316);
    EXPECT_EQ(tree->TreeControl()->property("controlId").toInt(), 1067);
    EXPECT_EQ(tree->ItemOf(root)->childCount(), 5);
}

TEST_F(TreeTest, RestoresTheOpenNodesAndSelectsMyDocuments)
{
    fs::create_directories(paths.documents + "/Scans/1985");
    SetStoredSelection("桌面/我的文档/Scans");
    Open();

    TreeNode* documents = Child(browser->Tree().Root(), "我的文档");
    EXPECT_EQ(browser->Tree().Selected(), documents);
    EXPECT_EQ(browser->List().Folder(), paths.documents);
    ASSERT_TRUE(WaitUntil(
        [&] { return Child(documents, "Scans") && Child(documents, "Scans")->expanded; }));
    EXPECT_TRUE(tree->ItemOf(Child(documents, "Scans"))->isExpanded());
    EXPECT_EQ(frame.status, "我的文档");

    // A new selection is stored as the names of its parents.
    browser->Tree().Select(Child(documents, "Scans"));
    std::string stored;
    settings.GetSelectedItem(stored);
    EXPECT_EQ(stored, "桌面/我的文档");
}

TEST_F(TreeTest, NewFoldersAreNumberedAndEditedAtOnce)
{
    fs::create_directories(paths.documents + "/album");
    Open();
    SelectFolder(Child(browser->Tree().Root(), "我的文档"), "album");
    TreeNode* album = browser->Tree().Selected();
    for (int i = 0; i < 3; ++i)
    {
        browser->Tree().Select(album);
        tree->OnCommand(ids::kTreeNew);
        ASSERT_TRUE(WaitUntil([&] { return album->children.size() == std::size_t(i + 1); }));
        EXPECT_TRUE(frame.labelEditing);
        browser->CancelRename();
    }
    for (const char* name : {"新建文件夹", "新建文件夹1", "新建文件夹2"})
    {
        EXPECT_TRUE(fs::is_directory(paths.documents + "/album/" + name)) << name;
        EXPECT_NE(Child(album, name), nullptr) << name;
    }
    EXPECT_EQ(browser->Tree().Selected()->Text(), "新建文件夹2");
    EXPECT_EQ(browser->List().Folder(), paths.documents + "/album/新建文件夹2");
}

TEST_F(TreeTest, MenuGreysSpecialPlacesAndCommandsRefuseThem)
{
    fs::create_directories(paths.documents + "/album");
    Open();
    TreeNode* root = browser->Tree().Root();
    auto enabled = [&](int id)
    {
        for (QAction* action : tree->ContextMenu()->actions())
            if (action->data().toInt() == id)
                return action->isEnabled();
        return false;
    };
    SelectFolder(Child(root, "我的电脑"), "文件系统"); // a drive
    EXPECT_FALSE(enabled(ids::kTreeCut));
    EXPECT_FALSE(enabled(ids::kTreeDelete));
    EXPECT_FALSE(enabled(ids::kTreeRename));
    EXPECT_TRUE(enabled(ids::kTreeNew));
    browser->Tree().Select(Child(root, "我的电脑")); // virtual: refresh only
    EXPECT_FALSE(enabled(ids::kTreeNew));
    EXPECT_FALSE(enabled(ids::kTreeProperties));
    EXPECT_TRUE(enabled(ids::kTreeRefresh));

    // Paste follows the clipboard.
    SelectFolder(Child(root, "我的文档"), "album");
    EXPECT_FALSE(enabled(ids::kTreePaste));
    EXPECT_TRUE(enabled(ids::kTreeCut));
    browser->CopyFolder();
    EXPECT_TRUE(enabled(ids::kTreePaste));

    // Deleting My Documents is refused without a question.
    browser->Tree().Select(Child(root, "我的文档"));
    tree->OnCommand(ids::kTreeDelete);
    EXPECT_TRUE(dialogs.confirmed.empty());
    EXPECT_TRUE(fs::exists(paths.documents));
}

TEST_F(TreeTest, AFolderOnASlowMountShowsAsLoading)
{
    fs::create_directories(paths.documents + "/slow/inside");
    std::mutex mutex;
    std::condition_variable released;
    bool release = false;
    Open();
    const_cast<CShellNamespace&>(browser->Shell())
        .SetReadHook(
            [&](const std::string& path)
            {
                if (path.find("/slow") == std::string::npos)
                    return;
                std::unique_lock lock(mutex);
                released.wait(lock, [&] { return release; });
            });
    TreeNode* documents = Child(browser->Tree().Root(), "我的文档");
    TreeNode* slow = Child(documents, "slow");
    ASSERT_TRUE(slow);
    browser->Tree().Expand(slow);
    // The window answers meanwhile and shows the node as being read.
    EXPECT_EQ(slow->childState, TreeNode::Children::Loading);
    EXPECT_EQ(tree->ItemOf(slow)->child(0)->text(0).toStdString(), "正在读取…");
    QTest::qWait(50);
    {
        std::lock_guard lock(mutex);
        release = true;
    }
    released.notify_all();
    ASSERT_TRUE(WaitUntil([&] { return slow->childState == TreeNode::Children::Read; }));
    EXPECT_EQ(ChildNames(slow), std::vector<std::string>{"inside"});
    EXPECT_EQ(tree->ItemOf(slow)->child(0)->text(0).toStdString(), "inside");
}

} // namespace
} // namespace tavrel::test

namespace tavrel::test
{
namespace
{

TEST_F(TreeTest, EnglishThroughTheShippedTranslation)
{
    QTranslator english;
    ASSERT_TRUE(english.load(QString::fromStdString(ShareFolder() + "/Pelidor_en.qm")));
    QCoreApplication::installTranslator(&english);
    for (int id : BrowserStringIds())
        EXPECT_FALSE(english
                         .translate("tavrel::BrowserStrings", BuiltinBrowserString(id),
                                    QByteArray::number(id).constData())
                         .isEmpty())
            << id;
    Open();
    EXPECT_EQ(browser->Tree().Root()->Text(), "Desktop");
    EXPECT_EQ(ChildNames(browser->Tree().Root()),
              (std::vector<std::string>{"My Documents", "My Computer", "Home"}));
    EXPECT_EQ(
        view->Model()->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString().toStdString(),
        "Path");
    QCoreApplication::removeTranslator(&english);
}

} // namespace
} // namespace tavrel::test
