#include "capture/app/AboutDlg.h"

#include "capture/app/VantrelIcon.h"
#include "capture/app/VantrelStrings.h"
#include "platform/qt/Controls.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace tavrel
{

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(LoadString(IDD_ABOUTBOX));
    auto* icon = new QLabel(this);
    icon->setPixmap(VantrelIcon().pixmap(32, 32));
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
    row->addSpacing(8);
    row->addLayout(texts, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    setMinimumWidth(340);
}

CAboutDlg* CAboutDlg::Show(QWidget* parent)
{
    static QPointer<CAboutDlg> open;
    if (!open)
    {
        open = new CAboutDlg(parent);
        open->setAttribute(Qt::WA_DeleteOnClose);
    }
    open->open();
    return open;
}

} // namespace tavrel
