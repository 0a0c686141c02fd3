#pragma once
// The About box of the window menu (template 100).

#include <QDialog>

namespace tavrel
{

class CAboutDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent);

    // Shows the box modal to `parent` without waiting for it; one at a time.
    static CAboutDlg* Show(QWidget* parent);
};

} // namespace tavrel
