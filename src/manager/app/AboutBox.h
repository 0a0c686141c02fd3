#pragma once
// The About box: product, version and a line on what the program does. A
// "#32770" window of the session while shown, as every dialog is.

#include <QDialog>

namespace tavrel
{

class CAboutBox : public QDialog
{
    Q_OBJECT

public:
    explicit CAboutBox(QWidget* parent = nullptr);

    // Shows the box modal to `parent` without waiting for it (one at a time).
    static CAboutBox* Show(QWidget* parent);
};

} // namespace tavrel
