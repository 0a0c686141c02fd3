#include "browser/qt/QtFileClipboard.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>

namespace tavrel
{

bool QtFileClipboard::SetFiles(const ClipboardFiles& files)
{
    QClipboard* clipboard = QApplication::clipboard();
    if (!clipboard)
        return false;
    auto* data = new QMimeData;
    for (const auto& [mime, content] : EncodeClipboardFiles(files))
        data->setData(QString::fromStdString(mime),
                      QByteArray(content.data(), qsizetype(content.size())));
    clipboard->setMimeData(data); // the clipboard owns it
    return true;
}

std::optional<ClipboardFiles> QtFileClipboard::Files() const
{
    const QClipboard* clipboard = QApplication::clipboard();
    const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
    if (!data)
        return std::nullopt;
    return DecodeClipboardFiles(
        [data](const std::string& mime) -> std::optional<std::string>
        {
            const QString type = QString::fromStdString(mime);
            if (!data->hasFormat(type))
                return std::nullopt;
            const QByteArray bytes = data->data(type);
            return std::string(bytes.constData(), std::size_t(bytes.size()));
        });
}

void QtFileClipboard::Clear()
{
    if (QClipboard* clipboard = QApplication::clipboard())
        clipboard->clear();
}

} // namespace tavrel
