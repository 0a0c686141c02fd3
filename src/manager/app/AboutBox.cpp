#include "manager/app/AboutBox.h"

#include "manager/app/PelidorStrings.h"
#include "manager/app/ToolbarIcons.h"
#include "platform/qt/Controls.h"
#include "platform/MessageBox.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace tavrel
{

CAboutBox::CAboutBox(QWidget* parent) : QDialog(parent)
{
    setObjectName("Dialog");
    setWindowTitle(LoadString(IDS_ABOUT_CAPTION));
    auto* icon = new QLabel(this);
    icon->setPixmap(ToolbarIcon(IDI_CAPTURE).pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);
    auto* product = new QLabel(LoadString(IDS_ABOUT_PRODUCT), this);
    QFont bold = product->font();
    bold.setBold(true);
    product->setFont(bold);
    auto* text = new QLabel(LoadString(IDS_ABOUT_TEXT), this);
    text->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(LoadString(IDS_ABOUT_OK), QDialogButtonBox::AcceptRole);
    SetControlId(ok, IDOK);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* texts = new QVBoxLayout;
    texts->addWidget(product);
    texts->addWidget(text);
    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addLayout(texts, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    setMinimumWidth(360);
}

CAboutBox* CAboutBox::Show(QWidget* parent)
{
    static QPointer<CAboutBox> open;
    if (!open)
    {
        open = new CAboutBox(parent);
        open->setAttribute(Qt::WA_DeleteOnClose);
    }
    open->open();
    return open;
}

} // namespace tavrel
