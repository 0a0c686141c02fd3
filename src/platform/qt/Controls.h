#pragma once
// Controls and commands carry the design's numbers: a widget its
// "controlId" property, a QAction its data. WM_COMMAND from another program
// and the tests find them by these numbers.

#include <QAction>
#include <QWidget>

namespace tavrel
{

constexpr const char* kControlIdProperty = "controlId";

void SetControlId(QWidget* control, int id);
void SetCommandId(QAction* action, int id);

// The control or action of that number inside `window`, leaving out what
// belongs to other windows opened over it (a message box, a child dialog).
QWidget* FindControl(const QWidget* window, int id);
QAction* FindCommandAction(const QWidget* window, int id);

// What a user's click does: the enabled control is clicked, or the enabled
// action triggered, through the handlers connected to it. False when there
// is neither. Hidden controls count, as they do for WM_COMMAND.
bool ClickCommand(const QWidget* window, int id);

// What a user's choice in a combo box does: the enabled box of that number
// selects entry `index` and tells its handlers, as a choice in its list
// would. False when there is no such box or entry.
bool SelectCommand(const QWidget* window, int id, long long index);

} // namespace tavrel
