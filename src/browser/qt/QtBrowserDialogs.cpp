#include "browser/qt/QtBrowserDialogs.h"

#include "browser/qt/BrowserQt.h"
#include "browser/qt/PropertiesDialog.h"
#include "browser/ShellNamespace.h"
#include "platform/MessageBox.h"
#include "platform/qt/Controls.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QUrl>

namespace tavrel
{

QtBrowserDialogs::QtBrowserDialogs(QWidget* parent) : m_parent(parent) {}

QtBrowserDialogs::~QtBrowserDialogs()
{
    delete m_progress.data();
}

bool QtBrowserDialogs::ConfirmDelete(const std::vector<std::string>& paths)
{
    if (paths.empty())
        return false;
    const QString text = paths.size() == 1
                             ? BrowserText(ids::kConfirmDeleteOne)
                                   .arg(QString::fromStdString(BaseName(paths.front())))
                             : BrowserText(ids::kConfirmDeleteMany).arg(paths.size());
    // %1 in the table is Qt's own placeholder, so .arg fills it.
    return MessageBox(0, text.toStdString(), BrowserText(ids::kDeleteTitle).toStdString(),
                      MB_YESNO | MB_ICONWARNING) == IDYES;
}

ConflictChoice QtBrowserDialogs::AskNameTaken(const std::string& name, bool canReplace,
                                              bool& applyToAll)
{
    QMessageBox box(QMessageBox::Question, BrowserText(ids::kNameTakenTitle),
                    BrowserText(ids::kNameTaken).arg(QString::fromStdString(name)),
                    QMessageBox::NoButton, m_parent);
    QPushButton* replace =
        canReplace ? box.addButton(BrowserText(ids::kReplace), QMessageBox::AcceptRole) : nullptr;
    QPushButton* keepBoth = box.addButton(BrowserText(ids::kKeepBoth), QMessageBox::AcceptRole);
    QPushButton* skip = box.addButton(BrowserText(ids::kSkip), QMessageBox::RejectRole);
    QPushButton* cancel = box.addButton(BrowserText(ids::kCancel), QMessageBox::RejectRole);
    if (replace)
        SetControlId(replace, kIdReplace);
    SetControlId(keepBoth, kIdKeepBoth);
    SetControlId(skip, kIdSkip);
    SetControlId(cancel, IDCANCEL);
    box.setDefaultButton(keepBoth);
    box.setEscapeButton(cancel);
    auto* all = new QCheckBox(BrowserText(ids::kApplyToAll), &box);
    SetControlId(all, kIdApplyToAll);
    box.setCheckBox(all);
    box.exec();
    applyToAll = all->isChecked();
    QAbstractButton* clicked = box.clickedButton();
    if (replace && clicked == replace)
        return ConflictChoice::Replace;
    if (clicked == keepBoth)
        return ConflictChoice::KeepBoth;
    if (clicked == skip)
        return ConflictChoice::Skip;
    return ConflictChoice::Cancel;
}

void QtBrowserDialogs::ShowError(const std::string& text)
{
    MessageBox(0, text, {}, MB_OK | MB_ICONERROR);
}

void QtBrowserDialogs::ShowProgress(const OperationProgress& progress)
{
    if (!m_progress)
    {
        m_progress = new QProgressDialog(m_parent);
        m_progress->setWindowTitle(QStringLiteral("TAVREL"));
        // A button of our own so that IDCANCEL clicks it (and cancels the
        // operation) instead of only hiding the window.
        auto* cancel = new QPushButton(BrowserText(ids::kCancel));
        SetControlId(cancel, IDCANCEL);
        m_progress->setCancelButton(cancel);
        m_progress->setMinimumDuration(0);
        m_progress->setAutoClose(false);
        m_progress->setAutoReset(false);
        m_progress->setMinimumWidth(420);
        m_progress->setRange(0, 1000);
        QObject::connect(m_progress, &QProgressDialog::canceled, m_progress,
                         [this]
                         {
                             if (m_cancel)
                                 m_cancel();
                         });
        m_progress->show();
    }
    const int id = progress.kind == OperationKind::Copy   ? ids::kCopying
                   : progress.kind == OperationKind::Move ? ids::kMoving
                                                          : ids::kTrashing;
    m_progress->setLabelText(BrowserText(id).arg(QString::fromStdString(progress.currentName)));
    double fraction = 0;
    if (progress.bytesTotal > 0)
        fraction = double(progress.bytesDone) / double(progress.bytesTotal);
    else if (progress.itemsTotal > 0)
        fraction = double(progress.itemsDone) / double(progress.itemsTotal);
    m_progress->setValue(int(std::min(1.0, fraction) * 1000));
}

void QtBrowserDialogs::HideProgress()
{
    if (m_progress)
        m_progress->deleteLater();
    m_progress = nullptr;
}

void QtBrowserDialogs::ShowProperties(const FileProperties& properties)
{
    auto* dialog = new PropertiesDialog(properties, m_parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
}

bool QtBrowserDialogs::OpenWithDefaultApplication(const std::string& path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

} // namespace tavrel
