// tavrel-browser-host: the file browser's panes in a window of their own, as
// the explorer window will hold them, for looking at them and for
// screenshots. The window is a window of the session (class
// "TavrelBrowserHost"); its texts follow "UIlanguage.xml" as Pelidor's do.
//   --details             the details view (else the icon view)
//   --select NAME         a folder in My Documents
//   --web                 the web panel shown under the tree
//   --properties NAME     the properties of a file of that folder
//   --make-pictures DIR   writes a folder of scans of the simulated slide and ends

#include "browser/FileBrowser.h"
#include "browser/qt/BrowserQt.h"
#include "browser/qt/FileView.h"
#include "browser/qt/QtBrowserDialogs.h"
#include "browser/qt/QtFileClipboard.h"
#include "browser/qt/ShellFolder.h"
#include "browser/qt/WebBrowserView.h"
#include "imaging/codecs/ImageCodec.h"
#include "imaging/cwimage/dib/Dib.h"
#include "manager/UserSettings.h"
#include "platform/qt/QtWindowBinding.h"
#include "shared/camera/SimulatedFrames.h"
#include "shared/qt/ProgramStart.h"

#include <QApplication>
#include <QMainWindow>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

namespace
{

using namespace tavrel;

class StatusFrame : public IBrowserFrame
{
public:
    explicit StatusFrame(QStatusBar* bar) : m_bar(bar) {}
    void SetStatusText(const std::string& text) override
    {
        m_bar->showMessage(QString::fromStdString(text));
    }
    void SetEditFlag(EditFlag, bool) override {}
    void SetLabelEditing(bool) override {}
    bool IsClosing() const override { return false; }

private:
    QStatusBar* m_bar;
};

// What a family's scans look like after a session with the scanner: the
// slide at several exposures, as a print and in black and white, one
// cut upright, one cropped to a panorama and kept as TIFF.
bool MakePictures(const std::string& folder)
{
    constexpr int kWidth = 1296, kHeight = 972;
    constexpr std::uint32_t kTiffLzw = 0x01000002;
    struct Scan
    {
        const char* name;
        HolderFilm film;
        SensorFilmType sensor;
        int gain;
    };
    const Scan scans[] = {
        {"1985-01 Christmas.jpg", HolderFilm::Positive, SensorFilmType::Positive, 0x40},
        {"1985-02.jpg", HolderFilm::Positive, SensorFilmType::Positive, 0x2c},
        {"1985-03.jpg", HolderFilm::Positive, SensorFilmType::Positive, 0x5c},
        {"1985-04 grandma.jpg", HolderFilm::Print, SensorFilmType::Print, 0x40},
        {"1985-05.jpg", HolderFilm::BlackWhite, SensorFilmType::BlackWhite, 0x40},
        {"PORTRAIT.JPG", HolderFilm::Positive, SensorFilmType::Positive, 0x48},
        {"Panorama beach.tif", HolderFilm::Positive, SensorFilmType::Positive, 0x50},
    };
    std::filesystem::create_directories(folder);
    for (const Scan& scan : scans)
    {
        CDib picture;
        if (!picture.Create(kWidth, kHeight, 24, 300))
            return false;
        SlideConditions conditions;
        conditions.film = scan.film;
        conditions.sensor = scan.sensor;
        conditions.exposureGain = scan.gain;
        if (!RenderSlideRgb24(conditions, kWidth, kHeight, picture.Pixels(),
                              std::size_t(picture.RowSize())))
            return false;
        const std::string path = folder + "/" + scan.name;
        int saved = 0;
        if (std::strcmp(scan.name, "PORTRAIT.JPG") == 0)
        {
            CDib upright;
            saved = picture.Crop(&upright, kWidth / 4, 0, kWidth * 3 / 4, kHeight) &&
                    upright.SaveFile(path, kFormatJpeg95);
        }
        else if (std::strcmp(scan.name, "Panorama beach.tif") == 0)
        {
            CDib wide;
            saved = picture.Crop(&wide, 0, kHeight / 3, kWidth, kHeight * 2 / 3) &&
                    wide.SaveFile(path, kTiffLzw);
        }
        else
        {
            saved = picture.SaveFile(path, kFormatJpeg95);
        }
        if (!saved)
        {
            std::fprintf(stderr, "browser host: cannot write %s\n", path.c_str());
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i + 1 < argc; ++i)
    {
        if (!std::strcmp(argv[i], "--make-pictures"))
            return MakePictures(argv[i + 1]) ? 0 : 1;
    }

    QApplication app(argc, argv);
    ProgramStart start("browser host", argc, argv);
    LoadUiLanguage("Tavrel");
    bool details = false, web = false;
    std::string select, properties;
    const std::vector<std::string>& args = start.Arguments();
    for (std::size_t i = 0; i < args.size(); ++i)
    {
        if (args[i] == "--details")
            details = true;
        else if (args[i] == "--web")
            web = true;
        else if (args[i] == "--select" && i + 1 < args.size())
            select = args[++i];
        else if (args[i] == "--properties" && i + 1 < args.size())
            properties = args[++i];
    }

    CUserSettings settings("UserInfo.xml");
    settings.SetDefaultViewMode(details ? 1 : 0);
    BrowserSettingsOf<CUserSettings> browserSettings(settings);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("TAVREL"));
    StatusFrame frame(window.statusBar());
    QtBrowserDialogs dialogs(&window);
    QtFileClipboard clipboard;
    BrowserServices services;
    services.settings = &browserSettings;
    services.frame = &frame;
    services.dialogs = &dialogs;
    services.clipboard = &clipboard;
    services.post = QtPoster();
    services.texts = QtBrowserTexts();
    services.paths = DefaultShellPaths();
    CFileBrowser browser(services);
    dialogs.SetCancelHandler([&] { browser.CancelOperation(); });

    auto* outer = new QSplitter(Qt::Horizontal, &window);
    auto* left = new QSplitter(Qt::Vertical, outer);
    auto* tree = new CShellFolder(browser, left);
    auto* page = new CWebBrowserView(left);
    auto* list = new CFileView(browser, outer);
    left->addWidget(tree);
    left->addWidget(page);
    left->setSizes({web ? 330 : 550, web ? 220 : 0});
    outer->addWidget(left);
    outer->addWidget(list);
    outer->setSizes({220, 780});
    window.setCentralWidget(outer);
    window.resize(1000, 640);
    // Commands nothing in the window answers go to the panes, as the
    // explorer window routes them.
    QtWindowBinding binding(&window, "TavrelBrowserHost",
                            [&](const Message& message, std::vector<std::uint8_t>&) -> LRESULT
                            {
                                if (message.message != WM_COMMAND)
                                    return 0;
                                const int id = int(message.wParam & 0xFFFF);
                                return list->OnCommand(id) || tree->OnCommand(id);
                            });
    browser.Start();
    window.show();
    // The folder asked for is selected once the start's own selection has
    // ended (reads may finish late); "shown" once it is listed with every
    // thumbnail drawn, for screenshots to wait on; then the properties.
    auto* poll = new QTimer(&window);
    QObject::connect(poll, &QTimer::timeout, &window,
                     [&browser, &start, poll, select, properties]
                     {
                         CFolderTree& tree = browser.Tree();
                         const TreeNode* node = tree.Selected();
                         if (!select.empty() && (!node || node->item.name != select))
                         {
                             if (!tree.IsDocumentsSelected())
                                 tree.SelectDocuments();
                             else if (node->childState != TreeNode::Children::Loading)
                                 tree.SelectChildNamed(select);
                             return;
                         }
                         const CFileList& list = browser.List();
                         if (list.Loading() || !node || list.Folder() != tree.ItemPath(node))
                             return;
                         for (const ListItem& item : list.Items())
                         {
                             const bool drawn =
                                 item.kind == ListItemKind::Folder ||
                                 (item.kind == ListItemKind::File && item.formatCode != 0);
                             if (list.Mode() == ViewMode::Icons && drawn && !item.thumbnail)
                                 return;
                         }
                         poll->stop();
                         start.Trace("shown");
                         for (std::size_t i = 0; i < list.Items().size(); ++i)
                             if (list.Items()[i].name == properties)
                                 browser.ItemProperties({int(i)});
                     });
    poll->start(20);
    start.Trace("running");
    return app.exec();
}
