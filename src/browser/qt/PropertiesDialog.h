#pragma once
// Our properties window: name, place, size, dates and, for pictures, the
// dimensions and resolution.

#include "browser/FileProperties.h"

#include <QDialog>

namespace tavrel
{

class PropertiesDialog : public QDialog
{
    Q_OBJECT

public:
    explicit PropertiesDialog(const FileProperties& properties, QWidget* parent = nullptr);
};

} // namespace tavrel
