#pragma once
// The widgets of the capture dialog, each carrying its design number: the
// visible part (preview, variant group, resolution, adjustments, output
// format, capture button) and the test group that the dialog's height cuts
// off. Built here, shown and wired by CCaptureDlg.

#include "capture/CaptureState.h"

#include <QWidget>

#include <array>
#include <initializer_list>
#include <map>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSlider;

namespace tavrel
{

class CPreviewFrame;

struct CaptureControls
{
    // `variant` is the film type or photo size group of the dialog.
    static CaptureControls Build(QWidget* dialog, QGroupBox* variant);

    QWidget* visible = nullptr;     // everything above the test group
    QGroupBox* testGroup = nullptr; // 1041

    CPreviewFrame* preview = nullptr; // 1005
    QGroupBox* variant = nullptr;
    QRadioButton* resolution[2] = {}; // 1014, 1015
    QGroupBox* adjust = nullptr;      // 1047
    std::map<Preset, QRadioButton*> presets;
    std::array<QSlider*, kSliderCount> sliders{}; // by Slider
    std::array<QLineEdit*, kSliderCount> values{};
    QLabel* formatLabel = nullptr;   // 1045
    QComboBox* format = nullptr;     // 1043
    QLabel* bitDepthLabel = nullptr; // 1046
    QComboBox* bitDepth = nullptr;   // 1044
    QPushButton* capture = nullptr;  // 1028

    QCheckBox* denoise = nullptr;         // 1002
    QProgressBar* testProgress = nullptr; // 1008
    // Buttons that forward their number to the engine as they are.
    std::vector<QAbstractButton*> commandButtons;
};

// A radio button with its caption from the string table.
QRadioButton* MakeRadio(QWidget* parent, int id);
// Checks the button at `index` of a group and unchecks the others; an
// index out of range leaves none checked.
void CheckRadio(std::initializer_list<QRadioButton*> group, int index);

} // namespace tavrel
