#include "platform/qt/AboutBox.h"

#include "platform/MessageBox.h"
#include "platform/qt/Controls.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace tavrel
{

CAboutBox::CAboutBox(const AboutContent& content, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
{
    if (!content.skinName.isEmpty())
        setObjectName(content.skinName);
    setWindowTitle(content.caption);
    auto* icon = new QLabel(this);
    icon->setPixmap(content.icon.pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);
    auto* product = new QLabel(content.product, this);
    QFont bold = product->font();
    bold.setBold(true);
    product->setFont(bold);
    // Each line as written: wrapping to the box's width left single words
    // on lines of their own in English.
    auto* text = new QLabel(content.text, this);
    text->setWordWrap(false);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(content.ok, QDialogButtonBox::AcceptRole);
    SetControlId(ok, IDOK);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(6);
    texts->addWidget(product);
    texts->addWidget(text);
    auto* row = new QHBoxLayout;
    row->setSpacing(16);
    row->addWidget(icon);
    row->addLayout(texts, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 16, 18, 12);
    layout->setSpacing(14);
    layout->addLayout(row);
    layout->addWidget(buttons);
    // The size its contents need, and no other: no maximise, no resizing.
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

CAboutBox* CAboutBox::Show(const AboutContent& content, QWidget* parent)
{
    static QPointer<CAboutBox> open;
    if (!open)
    {
        open = new CAboutBox(content, parent);
        open->setAttribute(Qt::WA_DeleteOnClose);
    }
    open->open();
    return open;
}

} // namespace tavrel
