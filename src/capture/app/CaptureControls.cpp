#include "capture/app/CaptureControls.h"

#include "capture/app/DialogIds.h"
#include "capture/app/PreviewFrame.h"
#include "capture/app/VantrelStrings.h"
#include "platform/qt/Controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>

namespace tavrel
{

namespace
{

namespace c = control;

template <class W> W* Numbered(W* widget, int id)
{
    SetControlId(widget, id);
    return widget;
}

QPushButton* MakeButton(QWidget* parent, int id)
{
    return Numbered(new QPushButton(LoadString(id), parent), id);
}

QLabel* MakeLabel(QWidget* parent, int textId, int id = 0)
{
    auto* label = new QLabel(LoadString(textId), parent);
    if (id)
        SetControlId(label, id);
    return label;
}

struct SliderRow
{
    Slider slider;
    int id;
    int valueId;
    int leftText;
    int rightText; // 0: a plain slider with one caption
};

constexpr SliderRow kSliderRows[] = {
    {Slider::Brightness, c::kBrightness, c::kBrightnessValue, c::kBrightness, 0},
    {Slider::Contrast, c::kContrast, c::kContrastValue, c::kContrast, 0},
    {Slider::Saturation, c::kSaturation, c::kSaturationValue, c::kSaturation, 0},
    {Slider::CyanRed, c::kCyanRed, c::kCyanRedValue, IDS_CYAN, IDS_RED},
    {Slider::MagentaGreen, c::kMagentaGreen, c::kMagentaGreenValue, IDS_MAGENTA, IDS_GREEN},
    {Slider::YellowBlue, c::kYellowBlue, c::kYellowBlueValue, IDS_YELLOW, IDS_BLUE},
};

QGroupBox* BuildAdjustGroup(QWidget* parent, CaptureControls& out)
{
    auto* group = Numbered(new QGroupBox(LoadString(c::kAdjustGroup), parent), c::kAdjustGroup);
    auto* presets = new QGridLayout;
    const std::pair<Preset, int> presetIds[] = {{Preset::Natural, c::kNatural},
                                                {Preset::Vivid, c::kVivid},
                                                {Preset::Nostalgic, c::kNostalgic},
                                                {Preset::Custom, c::kCustom}};
    int column = 0;
    for (const auto& [preset, id] : presetIds)
    {
        QRadioButton* radio = MakeRadio(group, id);
        out.presets[preset] = radio;
        presets->addWidget(radio, 0, column++);
    }

    auto* sliders = new QGridLayout;
    sliders->setColumnStretch(1, 1);
    sliders->setHorizontalSpacing(8);
    int row = 0;
    for (const SliderRow& r : kSliderRows)
    {
        auto* slider = Numbered(new QSlider(Qt::Horizontal, group), r.id);
        slider->setRange(0, kSliderMax);
        slider->setPageStep(10);
        slider->setMinimumWidth(120);
        auto* value = Numbered(new QLineEdit(group), r.valueId);
        value->setReadOnly(true);
        value->setFocusPolicy(Qt::NoFocus);
        value->setAlignment(Qt::AlignRight);
        value->setFixedWidth(value->fontMetrics().horizontalAdvance("-1000") + 12);
        QLabel* left = MakeLabel(group, r.leftText);
        left->setBuddy(slider);
        sliders->addWidget(left, row, 0);
        sliders->addWidget(slider, row, 1);
        if (r.rightText)
            sliders->addWidget(MakeLabel(group, r.rightText), row, 2);
        sliders->addWidget(value, row, 3);
        out.sliders[std::size_t(r.slider)] = slider;
        out.values[std::size_t(r.slider)] = value;
        ++row;
    }
    auto* layout = new QVBoxLayout(group);
    layout->addLayout(presets);
    layout->addSpacing(4);
    layout->addLayout(sliders);
    return group;
}

QGroupBox* BuildResolutionGroup(QWidget* parent, CaptureControls& out)
{
    auto* group = new QGroupBox(LoadString(IDS_RESOLUTION_GROUP), parent);
    auto* layout = new QHBoxLayout(group);
    for (int i = 0; i < 2; ++i)
    {
        out.resolution[i] = MakeRadio(group, i == 0 ? c::kResolution18 : c::kResolution36);
        layout->addWidget(out.resolution[i]);
    }
    layout->addStretch();
    return group;
}

QGridLayout* BuildFormatRow(QWidget* parent, CaptureControls& out)
{
    out.formatLabel = MakeLabel(parent, c::kFormatLabel, c::kFormatLabel);
    out.format = Numbered(new QComboBox(parent), c::kFormat);
    out.format->addItems({"JPG", "TIFF"});
    out.bitDepthLabel = MakeLabel(parent, c::kBitDepthLabel, c::kBitDepthLabel);
    out.bitDepth = Numbered(new QComboBox(parent), c::kBitDepth);
    out.bitDepth->addItem("24Bit");
    out.formatLabel->setBuddy(out.format);
    out.bitDepthLabel->setBuddy(out.bitDepth);
    auto* grid = new QGridLayout;
    grid->addWidget(out.formatLabel, 0, 0);
    grid->addWidget(out.format, 0, 1);
    grid->addWidget(out.bitDepthLabel, 0, 2);
    grid->addWidget(out.bitDepth, 0, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    return grid;
}

QGroupBox* BuildTestGroup(QWidget* parent, CaptureControls& out)
{
    auto* group = Numbered(new QGroupBox(LoadString(c::kTestGroup), parent), c::kTestGroup);
    auto* picture = Numbered(new QFrame(group), c::kTestPicture);
    picture->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    picture->setFixedSize(160, 120);
    auto* buttons = new QGridLayout;
    const int ids[] = {
        c::kSaveRawFrame, c::kRestoreFromDevice, c::kRestoreFromFile, c::kConfigSensor,
        c::kVerify,       c::kShowPic,           c::kStartCalibration};
    int n = 0;
    for (int id : ids)
    {
        QPushButton* button = MakeButton(group, id);
        out.commandButtons.push_back(button);
        buttons->addWidget(button, n / 2, n % 2);
        ++n;
    }
    out.denoise = Numbered(new QCheckBox(LoadString(c::kDenoise), group), c::kDenoise);
    buttons->addWidget(out.denoise, n / 2, n % 2);
    out.testProgress = Numbered(new QProgressBar(group), c::kTestProgress);
    out.testProgress->setTextVisible(false);
    auto* row = new QHBoxLayout;
    row->addWidget(picture);
    row->addLayout(buttons, 1);
    auto* layout = new QVBoxLayout(group);
    layout->addLayout(row);
    layout->addWidget(out.testProgress);
    return group;
}

} // namespace

QRadioButton* MakeRadio(QWidget* parent, int id)
{
    return Numbered(new QRadioButton(LoadString(id), parent), id);
}

void CheckRadio(std::initializer_list<QRadioButton*> group, int index)
{
    int i = 0;
    for (QRadioButton* radio : group)
    {
        const bool wanted = i++ == index;
        if (radio->isChecked() == wanted)
            continue;
        // An exclusive group would keep its one checked button otherwise.
        radio->setAutoExclusive(false);
        radio->setChecked(wanted);
        radio->setAutoExclusive(true);
    }
}

CaptureControls CaptureControls::Build(QWidget* dialog, QGroupBox* variant)
{
    CaptureControls out;
    out.visible = new QWidget(dialog);
    out.preview = Numbered(new CPreviewFrame(out.visible), c::kPreviewFrame);
    out.variant = variant;
    variant->setParent(out.visible);

    out.capture = MakeButton(out.visible, c::kCapture);
    QFont bold = out.capture->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.25);
    out.capture->setFont(bold);
    out.capture->setMinimumHeight(out.capture->fontMetrics().height() * 2 + 8);
    out.capture->setDefault(true);
    out.commandButtons.push_back(out.capture);

    auto* right = new QVBoxLayout;
    right->addWidget(variant);
    right->addWidget(BuildResolutionGroup(out.visible, out));
    out.adjust = BuildAdjustGroup(out.visible, out);
    right->addWidget(out.adjust);
    right->addStretch(1);
    right->addLayout(BuildFormatRow(out.visible, out));
    right->addSpacing(4);
    right->addWidget(out.capture);
    // Room for the progress popup, which opens just under the button.
    right->addSpacing(out.capture->fontMetrics().height() + 4);

    auto* main = new QHBoxLayout(out.visible);
    main->addWidget(out.preview, 1);
    main->addLayout(right, 0);

    out.testGroup = BuildTestGroup(dialog, out);
    return out;
}

} // namespace tavrel
