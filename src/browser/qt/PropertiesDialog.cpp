#include "browser/qt/PropertiesDialog.h"

#include "browser/BrowserStrings.h"
#include "browser/FolderListing.h"
#include "browser/qt/BrowserQt.h"
#include "platform/MessageBox.h"
#include "platform/qt/Controls.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

namespace tavrel
{

namespace
{

QString SizeText(std::uint64_t size)
{
    return BrowserText(ids::kBytes)
        .arg(QString::fromStdString(FormatFileSize(size)), QLocale().toString(qulonglong(size)));
}

} // namespace

PropertiesDialog::PropertiesDialog(const FileProperties& p, QWidget* parent) : QDialog(parent)
{
    const QString name = QString::fromStdString(p.name);
    setWindowTitle(BrowserText(ids::kPropertiesTitle).arg(name));
    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight);
    auto row = [&](int id, const QString& value)
    {
        auto* label = new QLabel(value, this);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        label->setWordWrap(true);
        form->addRow(BrowserText(id), label);
    };
    auto time = [](std::int64_t seconds)
    { return QString::fromStdString(FormatPropertyTime(seconds)); };

    auto* icon = new QLabel(this);
    icon->setPixmap(ThemeIcon(p.isFolder ? "folder" : "image-x-generic",
                              p.isFolder ? kFolderIconId : kPictureIconId)
                        .pixmap(32, 32));
    form->addRow(icon, new QLabel("<b>" + name.toHtmlEscaped() + "</b>", this));
    row(ids::kPropType, BrowserText(p.isFolder          ? ids::kTypeFolder
                                    : p.formatCode != 0 ? ids::kTypePicture
                                                        : ids::kTypeFile));
    row(ids::kPropLocation, QString::fromStdString(p.folder));
    row(ids::kPropSize, SizeText(p.size) + (p.countIncomplete ? QStringLiteral(" +") : QString()));
    if (p.isFolder)
        row(ids::kPropContains, BrowserText(ids::kContainsCount).arg(p.files).arg(p.folders) +
                                    (p.countIncomplete ? QStringLiteral(" +") : QString()));
    if (p.pictureRead)
    {
        row(ids::kPropDimensions, BrowserText(ids::kPixels).arg(p.width).arg(p.height));
        if (p.xDpi > 0 && p.yDpi > 0)
            row(ids::kPropResolution, BrowserText(ids::kDpi).arg(p.xDpi).arg(p.yDpi));
    }
    if (p.created >= 0)
        row(ids::kPropCreated, time(p.created));
    row(ids::kPropModified, time(p.modified));
    row(ids::kPropAccessed, time(p.accessed));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(BrowserText(ids::kClose));
    SetControlId(buttons->button(QDialogButtonBox::Close), IDCANCEL);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addStretch();
    layout->addWidget(buttons);
    setMinimumWidth(380);
}

} // namespace tavrel
