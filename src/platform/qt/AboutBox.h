#pragma once
// The About box both programs show: icon, product, a few lines on the
// program and OK (IDOK). A fixed-size dialog with a close button only; its
// lines are laid out as given, never re-wrapped, in every language.

#include <QDialog>
#include <QIcon>
#include <QString>

namespace tavrel
{

struct AboutContent
{
    QString caption;
    QString product;
    QString text; // lines separated by "\n"
    QString ok;
    QIcon icon;
    QString skinName; // the object name the skin's style sheet selects, if any
};

class CAboutBox : public QDialog
{
public:
    CAboutBox(const AboutContent& content, QWidget* parent = nullptr);

    // Shows the box modal to `parent` without waiting for it; one at a time.
    static CAboutBox* Show(const AboutContent& content, QWidget* parent);
};

} // namespace tavrel
