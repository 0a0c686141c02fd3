#pragma once
// The file browser's panes over a temporary home: desktop, documents and
// trash of their own, the shipped program folder as the current directory,
// the real settings file, clipboard and thumbnail worker.

#include "support/Files.h"
#include "support/Sandbox.h"

#include "browser/FileBrowser.h"
#include "browser/qt/BrowserQt.h"
#include "browser/qt/FileListModel.h"
#include "browser/qt/FileView.h"
#include "browser/qt/QtBrowserDialogs.h"
#include "browser/qt/QtFileClipboard.h"
#include "browser/qt/ShellFolder.h"
#include "imaging/codecs/ImageCodec.h"
#include "imaging/cwimage/dib/Dib.h"
#include "manager/UserSettings.h"
#include "platform/Paths.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tavrel::test
{

inline QApplication& BrowserApp()
{
    static int argc = 1;
    static char name[] = "tavrel_browser_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv); // outlives Qt's statics
    return *app;
}

inline bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 20000)
{
    return QTest::qWaitFor(condition, timeoutMs);
}

// A solid picture file of the given size and colour (blue, green, red).
inline void WritePicture(const std::string& path, int width, int height, std::uint8_t b,
                         std::uint8_t g, std::uint8_t r)
{
    CDib picture;
    ASSERT_TRUE(picture.Create(width, height, 24, 300));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
        {
            picture.Row(y)[3 * x] = b;
            picture.Row(y)[3 * x + 1] = g;
            picture.Row(y)[3 * x + 2] = r;
        }
    ASSERT_TRUE(picture.SaveFile(path, kFormatJpeg95));
}

inline void WriteText(const std::string& path, const std::string& text)
{
    ASSERT_TRUE(WriteFile(path, text));
}

class RecordingFrame : public IBrowserFrame
{
public:
    void SetStatusText(const std::string& text) override { status = text; }
    void SetEditFlag(EditFlag flag, bool enabled) override { flags[flag] = enabled; }
    void SetLabelEditing(bool editing) override { labelEditing = editing; }
    bool IsClosing() const override { return false; }

    std::string status;
    std::map<EditFlag, bool> flags;
    bool labelEditing = false;
};

// The real dialogs, with the answers a user would give scripted.
class ScriptedDialogs : public QtBrowserDialogs
{
public:
    bool ConfirmDelete(const std::vector<std::string>& paths) override
    {
        confirmed.push_back(paths);
        return answerDelete;
    }
    ConflictChoice AskNameTaken(const std::string& name, bool canReplace, bool& applyToAll) override
    {
        asked.push_back(name);
        lastCanReplace = canReplace;
        applyToAll = false;
        return conflictAnswer;
    }
    void ShowError(const std::string& text) override { errors.push_back(text); }
    void ShowProperties(const FileProperties& properties) override
    {
        shownProperties.push_back(properties);
    }
    bool OpenWithDefaultApplication(const std::string& path) override
    {
        opened.push_back(path);
        return true;
    }

    bool answerDelete = true;
    ConflictChoice conflictAnswer = ConflictChoice::KeepBoth;
    bool lastCanReplace = false;
    std::vector<std::vector<std::string>> confirmed;
    std::vector<std::string> asked, errors, opened;
    std::vector<FileProperties> shownProperties;
};

class BrowserFixture : public ::testing::Test
{
protected:
    BrowserFixture()
    {
        BrowserApp();
        namespace fs = std::filesystem;
        user = sandbox.Root() + "/user";
        paths.home = user;
        paths.desktop = user + "/Desktop";
        paths.documents = user + "/Documents";
        fs::create_directories(paths.desktop);
        fs::create_directories(paths.documents);
        m_oldDataHome = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
        ::setenv("XDG_DATA_HOME", (user + "/.local/share").c_str(), 1);
        EXPECT_TRUE(PrepareProgramFolder());
        clipboard.Clear(); // the in-process clipboard outlives each test
    }
    ~BrowserFixture() override
    {
        view.reset();
        tree.reset();
        browser.reset();
        if (m_oldDataHome.empty())
            ::unsetenv("XDG_DATA_HOME");
        else
            ::setenv("XDG_DATA_HOME", m_oldDataHome.c_str(), 1);
    }

    void SetStoredSelection(const std::string& item, int viewMode = 0)
    {
        settings.SetSelectedItem(item);
        settings.SetDefaultViewMode(viewMode);
    }

    // Builds the panes; the tree selects the remembered node.
    void Open()
    {
        BrowserServices services;
        services.settings = &settingsAdapter;
        services.frame = &frame;
        services.dialogs = &dialogs;
        services.clipboard = &clipboard;
        services.post = QtPoster();
        services.texts = QtBrowserTexts();
        services.paths = paths;
        browser = std::make_unique<CFileBrowser>(services);
        tree = std::make_unique<CShellFolder>(*browser);
        view = std::make_unique<CFileView>(*browser);
        tree->resize(260, 400);
        view->resize(600, 400);
        browser->Start();
        ASSERT_TRUE(WaitUntil([&] { return browser->Tree().Selected() != nullptr; }));
    }

    TreeNode* Child(TreeNode* node, const std::string& name)
    {
        return browser->Tree().FindChildByName(node, name);
    }
    std::vector<std::string> ChildNames(TreeNode* node)
    {
        std::vector<std::string> names;
        for (const auto& child : node->children)
            names.push_back(child->Text());
        return names;
    }
    // Selects the folder's tree node, reading the nodes on the way.
    void SelectFolder(TreeNode* parent, const std::string& name)
    {
        ASSERT_TRUE(parent);
        bool ready = false;
        browser->Tree().Expand(parent, [&] { ready = true; });
        ASSERT_TRUE(WaitUntil([&] { return ready; }));
        TreeNode* node = Child(parent, name);
        ASSERT_TRUE(node) << name;
        browser->Tree().Select(node);
        ASSERT_TRUE(WaitUntil([&] { return !browser->List().Loading(); }));
    }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const ListItem& item : browser->List().Items())
            names.push_back(item.name);
        return names;
    }
    std::vector<std::string> Labels() const
    {
        std::vector<std::string> labels;
        for (const ListItem& item : browser->List().Items())
            labels.push_back(item.label);
        return labels;
    }
    int Row(const std::string& name) const
    {
        const auto& items = browser->List().Items();
        for (std::size_t i = 0; i < items.size(); ++i)
            if (items[i].name == name)
                return int(i);
        return -1;
    }
    void SelectRows(const std::vector<int>& rows)
    {
        view->Selection()->clearSelection();
        for (int row : rows)
            view->Selection()->select(view->Model()->index(row, 0),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
        if (!rows.empty())
            view->Selection()->setCurrentIndex(view->Model()->index(rows.front(), 0),
                                               QItemSelectionModel::NoUpdate);
    }
    bool ThumbnailsDone() const { return !browser->List().ThumbnailWorker().Running(); }
    void WaitForOperation()
    {
        ASSERT_TRUE(WaitUntil([&] { return !browser->OperationRunning(); }));
    }
    static bool Exists(const std::string& path) { return std::filesystem::exists(path); }

    Sandbox sandbox;
    std::string user;
    ShellPaths paths;
    CUserSettings settings{"UserInfo.xml"};
    BrowserSettingsOf<CUserSettings> settingsAdapter{settings};
    RecordingFrame frame;
    ScriptedDialogs dialogs;
    QtFileClipboard clipboard;
    std::unique_ptr<CFileBrowser> browser;
    std::unique_ptr<CShellFolder> tree;
    std::unique_ptr<CFileView> view;

private:
    std::string m_oldDataHome;
};

} // namespace tavrel::test
