#include "platform/qt/Translation.h"

#include <QCoreApplication>
#include <QDir>
#include <QString>
#include <QTranslator>

namespace tavrel
{

bool LoadUiTranslation(const std::string& library)
{
    if (library.empty() || !QCoreApplication::instance())
        return false;
    // Owned by the application object, so it lives until exit.
    auto* translator = new QTranslator(QCoreApplication::instance());
    const QString name = QString::fromStdString(library);
    const QStringList folders = {QDir::currentPath(), QCoreApplication::applicationDirPath()};
    for (const QString& folder : folders)
    {
        if (translator->load(name, folder) && QCoreApplication::installTranslator(translator))
            return true;
    }
    delete translator;
    return false;
}

} // namespace tavrel
