// tavrel-browser-host: the file browser's panes in a window of their own, as
// the explorer window will hold them, for looking at them and for
// screenshots. Options: --details, --english, --select NAME (a folder in My
// Documents), --web (show the web panel), --properties NAME (a file in it).

#include "browser/FileBrowser.h"
#include "browser/qt/BrowserQt.h"
#include "browser/qt/FileView.h"
#include "browser/qt/QtBrowserDialogs.h"
#include "browser/qt/QtFileClipboard.h"
#include "browser/qt/ShellFolder.h"
#include "browser/qt/WebBrowserView.h"
#include "manager/UserSettings.h"
#include "platform/Paths.h"

#include <QApplication>
#include <QMainWindow>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QTranslator>

#include <cstdio>
#include <cstring>
#include <string>

namespace
{

class StatusFrame : public tavrel::IBrowserFrame
{
public:
    explicit StatusFrame(QStatusBar* bar) : m_bar(bar) {}
    void SetStatusText(const std::string& text) override
    {
        m_bar->showMessage(QString::fromStdString(text));
    }
    void SetEditFlag(tavrel::EditFlag, bool) override {}
    void SetLabelEditing(bool) override {}
    bool IsClosing() const override { return false; }

private:
    QStatusBar* m_bar;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    bool details = false, english = false, web = false;
    std::string select, properties;
    for (int i = 1; i < argc; ++i)
    {
        if (!std::strcmp(argv[i], "--details"))
            details = true;
        else if (!std::strcmp(argv[i], "--english"))
            english = true;
        else if (!std::strcmp(argv[i], "--web"))
            web = true;
        else if (!std::strcmp(argv[i], "--select") && i + 1 < argc)
            select = argv[++i];
        else if (!std::strcmp(argv[i], "--properties") && i + 1 < argc)
            properties = argv[++i];
    }
    std::string error;
    if (!tavrel::PrepareProgramFolder(&error))
        std::fprintf(stderr, "browser host: %s\n", error.c_str());
    QTranslator translator;
    if (english &&
        translator.load(QString::fromStdString(tavrel::ShareFolder() + "/Pelidor_en.qm")))
        QCoreApplication::installTranslator(&translator);

    tavrel::CUserSettings settings("UserInfo.xml");
    settings.SetDefaultViewMode(details ? 1 : 0);
    tavrel::BrowserSettingsOf<tavrel::CUserSettings> browserSettings(settings);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("TAVREL"));
    StatusFrame frame(window.statusBar());
    tavrel::QtBrowserDialogs dialogs(&window);
    tavrel::QtFileClipboard clipboard;
    tavrel::BrowserServices services;
    services.settings = &browserSettings;
    services.frame = &frame;
    services.dialogs = &dialogs;
    services.clipboard = &clipboard;
    services.post = tavrel::QtPoster();
    services.texts = tavrel::QtBrowserTexts();
    services.paths = tavrel::DefaultShellPaths();
    tavrel::CFileBrowser browser(services);
    dialogs.SetCancelHandler([&] { browser.CancelOperation(); });

    auto* outer = new QSplitter(Qt::Horizontal, &window);
    auto* left = new QSplitter(Qt::Vertical, outer);
    auto* tree = new tavrel::CShellFolder(browser, left);
    auto* page = new tavrel::CWebBrowserView(left);
    auto* list = new tavrel::CFileView(browser, outer);
    left->addWidget(tree);
    left->addWidget(page);
    left->setSizes({web ? 330 : 550, web ? 220 : 0});
    outer->addWidget(left);
    outer->addWidget(list);
    outer->setSizes({220, 780});
    window.setCentralWidget(outer);
    window.resize(1000, 640);
    browser.Start();
    if (!select.empty())
    {
        tavrel::CFolderTree& model = browser.Tree();
        model.SelectDocuments();
        model.SelectChildNamed(select);
    }
    if (!properties.empty())
        QTimer::singleShot(800,
                           [&]
                           {
                               for (std::size_t i = 0; i < browser.List().Items().size(); ++i)
                                   if (browser.List().Items()[i].name == properties)
                                       browser.ItemProperties({int(i)});
                           });
    window.show();
    std::fprintf(stderr, "browser host: running\n");
    return app.exec();
}
