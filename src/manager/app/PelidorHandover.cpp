// Hooks the picture channel's receiver into the manager's window: pictures
// are stored into the folder named on the command line (`Pelidor [FOLDER]`),
// else into the user's Pictures folder, until the explorer panes exist.

#include "manager/app/PelidorWindow.h"

#include "browser/UserFolders.h"
#include "manager/FixedFolderPanes.h"
#include "manager/HandoverReceiver.h"

#include <QLabel>
#include <QMetaObject>
#include <QPointer>
#include <QStatusBar>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

namespace tavrel
{

namespace
{

// Pane 2 of the status bar: the queue status.
class QueueStatusBar : public CSilentStatusBar
{
public:
    explicit QueueStatusBar(QMainWindow& window) : m_label(new QLabel(&window))
    {
        window.statusBar()->addPermanentWidget(m_label);
    }
    void SetPaneText(int pane, const std::string& text) override
    {
        if (pane == 2 && m_label)
            m_label->setText(QString::fromStdString(text));
    }

private:
    QPointer<QLabel> m_label;
};

struct Handover
{
    explicit Handover(QMainWindow& window, const std::string& folder)
        : list(folder), statusBar(window)
    {
        list.SetStoredCallback([](const std::string& path)
                               { std::fprintf(stderr, "Pelidor: stored %s\n", path.c_str()); });
        panes.fileList = &list;
        panes.statusBar = &statusBar;
        panes.closeFrame = [&window] { window.close(); };
        receiver = std::make_unique<CHandoverReceiver>(panes);
    }
    CFixedFolderList list;
    QueueStatusBar statusBar;
    ManagerPanes panes;
    std::unique_ptr<CHandoverReceiver> receiver;
};

} // namespace

std::shared_ptr<void> AttachHandover(PelidorWindow& window, int argc, char** argv)
{
    std::string folder;
    for (int i = 1; i < argc && folder.empty(); ++i)
        if (argv[i][0] != '-')
            folder = std::filesystem::absolute(argv[i]).lexically_normal().string();
    if (folder.empty())
        folder = UserPicturesFolder();
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();

    auto handover = std::make_shared<Handover>(window, folder);
    CHandoverReceiver* receiver = handover->receiver.get();
    const auto forward = [receiver](const Message& message, std::vector<std::uint8_t>&)
    { return receiver->HandleMessage(message); };
    window.SetMessageHandler(WM_COPYDATA, forward);
    window.SetMessageHandler(WM_PICTURE_STORED, forward);
    window.SetMessageHandler(WM_MANAGER_IGNORED, forward);
    std::fprintf(stderr, "Pelidor: storing pictures in %s\n", folder.c_str());
    return handover;
}

} // namespace tavrel
