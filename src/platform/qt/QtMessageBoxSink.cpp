#include "platform/qt/QtMessageBoxSink.h"

#include "platform/qt/Controls.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QThread>

#include <utility>

namespace tavrel
{

namespace
{

int ShowOnGuiThread(const std::string& text, const std::string& caption, unsigned type)
{
    QMessageBox box;
    box.setText(QString::fromStdString(text));
    box.setWindowTitle(QString::fromStdString(caption));
    const unsigned icon = type & 0xF0;
    box.setIcon(icon == MB_ICONERROR         ? QMessageBox::Critical
                : icon == MB_ICONWARNING     ? QMessageBox::Warning
                : icon == MB_ICONINFORMATION ? QMessageBox::Information
                                             : QMessageBox::NoIcon);
    switch (type & 0x0F)
    {
    case MB_OKCANCEL:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case MB_YESNO:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    default:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    }
    // Numbered as the box's buttons are, so WM_COMMAND IDOK answers it.
    const std::pair<QMessageBox::StandardButton, int> ids[] = {{QMessageBox::Ok, IDOK},
                                                               {QMessageBox::Cancel, IDCANCEL},
                                                               {QMessageBox::Yes, IDYES},
                                                               {QMessageBox::No, IDNO}};
    for (const auto& [button, id] : ids)
    {
        if (QAbstractButton* control = box.button(button))
            SetControlId(control, id);
    }
    switch (box.exec())
    {
    case QMessageBox::Cancel:
        return IDCANCEL;
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    default:
        return IDOK;
    }
}

} // namespace

int QtMessageBoxSink::Show(HWND, const std::string& text, const std::string& caption, unsigned type)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return IDOK;
    if (QThread::currentThread() == app->thread())
        return ShowOnGuiThread(text, caption, type);
    int result = IDOK;
    QMetaObject::invokeMethod(
        app, [&] { result = ShowOnGuiThread(text, caption, type); }, Qt::BlockingQueuedConnection);
    return result;
}

bool InstallQtMessageBoxSink()
{
    const QString platform = QGuiApplication::platformName();
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()) || platform == "offscreen" ||
        platform == "minimal")
        return false;
    SetMessageBoxSink(std::make_shared<QtMessageBoxSink>());
    return true;
}

} // namespace tavrel
