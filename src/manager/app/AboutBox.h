#pragma once
// The About box: product, version and a line on what the program does.

#include <QDialog>

#include <memory>

namespace tavrel
{

class QtWindowBinding;

class CAboutBox : public QDialog
{
    Q_OBJECT

public:
    explicit CAboutBox(QWidget* parent = nullptr);
    ~CAboutBox() override;

    // Shows the box modal to `parent` without waiting for it (one at a time).
    static CAboutBox* Show(QWidget* parent);

private:
    std::unique_ptr<QtWindowBinding> m_binding;
};

} // namespace tavrel
