#include "platform/qt/DialogWindows.h"

#include "platform/qt/QtWindowBinding.h"

#include <QCoreApplication>
#include <QDialog>
#include <QEvent>

#include <memory>

namespace tavrel
{

namespace
{

constexpr const char* kWatcherName = "tavrelDialogWindows";
constexpr const char* kHolderName = "tavrelDialogBinding";

// A child of the dialog, so that the window also goes with the dialog.
class BindingHolder final : public QObject
{
public:
    explicit BindingHolder(QDialog* dialog) : QObject(dialog), m_binding(dialog, kDialogClassName)
    {
        setObjectName(kHolderName);
    }

private:
    QtWindowBinding m_binding;
};

class DialogWatcher final : public QObject
{
public:
    explicit DialogWatcher(QObject* parent) : QObject(parent) { setObjectName(kWatcherName); }

    bool eventFilter(QObject* object, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        // Spontaneous ones come from the window system (minimising, another
        // desktop) and leave the dialog in existence.
        if ((type != QEvent::Show && type != QEvent::Hide) || event->spontaneous())
            return false;
        auto* dialog = qobject_cast<QDialog*>(object);
        if (!dialog || !dialog->isWindow())
            return false;
        auto* holder = dialog->findChild<BindingHolder*>(kHolderName, Qt::FindDirectChildrenOnly);
        if (type == QEvent::Show && !holder && QtWindowBinding::HandleOf(dialog) == 0)
            new BindingHolder(dialog);
        else if (type == QEvent::Hide && holder)
            delete holder;
        return false;
    }
};

} // namespace

void BindDialogWindows()
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || app->findChild<DialogWatcher*>(kWatcherName, Qt::FindDirectChildrenOnly))
        return;
    app->installEventFilter(new DialogWatcher(app));
}

} // namespace tavrel
