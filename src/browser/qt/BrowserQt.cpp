#include "browser/qt/BrowserQt.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>

// The icons live in a static library, whose resource registration the
// linker would drop unless something calls it.
static void InitBrowserIcons()
{
    Q_INIT_RESOURCE(BrowserIcons);
}

namespace tavrel
{

PostToUi QtPoster()
{
    return [](std::function<void()> work)
    {
        QCoreApplication* app = QCoreApplication::instance();
        if (app)
            QMetaObject::invokeMethod(app, std::move(work), Qt::QueuedConnection);
    };
}

QString BrowserText(int id)
{
    // The number disambiguates texts that read alike but mean different
    // things; the English translation is keyed by it.
    const QByteArray number = QByteArray::number(id);
    return QCoreApplication::translate("tavrel::BrowserStrings", BuiltinBrowserString(id),
                                       number.constData());
}

TextLookup QtBrowserTexts()
{
    return [](int id) { return BrowserText(id).toStdString(); };
}

QIcon BrowserIcon(int id)
{
    static const char* const kFiles[][2] = {
        {"325", ":/tavrel/browser/computer.png"},    {"326", ":/tavrel/browser/documents.png"},
        {"334", ":/tavrel/browser/placeholder.png"}, {"1", ":/tavrel/browser/folder.png"},
        {"2", ":/tavrel/browser/picture.png"},       {"3", ":/tavrel/browser/drive.png"},
    };
    static const bool registered = (InitBrowserIcons(), true);
    (void)registered;
    const QByteArray key = QByteArray::number(id);
    for (const auto& entry : kFiles)
        if (key == entry[0])
            return QIcon(QString::fromLatin1(entry[1]));
    return QIcon();
}

QIcon ThemeIcon(const char* themeName, int fallbackId)
{
    return QIcon::fromTheme(QString::fromLatin1(themeName), BrowserIcon(fallbackId));
}

} // namespace tavrel
