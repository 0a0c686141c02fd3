#include "platform/qt/Controls.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDialog>

namespace tavrel
{

namespace
{

bool HasNumber(const QVariant& value, int id)
{
    bool ok = false;
    const int number = value.toInt(&ok);
    return ok && number == id;
}

// True unless a dialog other than `window` stands between it and `object`.
bool BelongsTo(const QWidget* window, const QObject* object)
{
    for (const QObject* o = object->parent(); o && o != window; o = o->parent())
    {
        if (qobject_cast<const QDialog*>(o))
            return false;
    }
    return true;
}

} // namespace

void SetControlId(QWidget* control, int id)
{
    control->setProperty(kControlIdProperty, id);
}

void SetCommandId(QAction* action, int id)
{
    action->setData(id);
}

QWidget* FindControl(const QWidget* window, int id)
{
    if (!window)
        return nullptr;
    for (QWidget* child : window->findChildren<QWidget*>())
    {
        if (HasNumber(child->property(kControlIdProperty), id) && BelongsTo(window, child) &&
            !qobject_cast<QDialog*>(child))
            return child;
    }
    return nullptr;
}

QAction* FindCommandAction(const QWidget* window, int id)
{
    if (!window)
        return nullptr;
    for (QAction* action : window->findChildren<QAction*>())
    {
        if (HasNumber(action->data(), id) && BelongsTo(window, action))
            return action;
    }
    return nullptr;
}

bool ClickCommand(const QWidget* window, int id)
{
    if (auto* button = qobject_cast<QAbstractButton*>(FindControl(window, id)))
    {
        if (!button->isEnabled())
            return false;
        button->click();
        return true;
    }
    if (QAction* action = FindCommandAction(window, id))
    {
        if (!action->isEnabled())
            return false;
        action->trigger();
        return true;
    }
    return false;
}

bool SelectCommand(const QWidget* window, int id, long long index)
{
    auto* box = qobject_cast<QComboBox*>(FindControl(window, id));
    if (!box || !box->isEnabled() || index < 0 || index >= box->count())
        return false;
    const int entry = static_cast<int>(index);
    box->setCurrentIndex(entry);
    emit box->activated(entry);
    emit box->textActivated(box->itemText(entry));
    return true;
}

} // namespace tavrel
