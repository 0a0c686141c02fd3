#include "capture/ProfileControls.h"

#include <algorithm>

namespace tavrel
{

namespace
{

int Position(int value)
{
    return std::clamp(value + 100, 0, kSliderMax);
}

int& Field(PictureMode& mode, Slider slider)
{
    switch (slider)
    {
    case Slider::Brightness:
        return mode.bright;
    case Slider::Contrast:
        return mode.contrast;
    case Slider::Saturation:
        return mode.saturation;
    case Slider::CyanRed:
        return mode.r;
    case Slider::MagentaGreen:
        return mode.g;
    case Slider::YellowBlue:
        return mode.b;
    }
    return mode.bright;
}

std::size_t Index(Slider slider)
{
    return static_cast<std::size_t>(slider);
}

} // namespace

ProfileControls::ProfileControls()
    : m_profile(std::make_unique<CImageProfile>(ProfileFlavour::Capture))
{
}

ProfileControls::~ProfileControls() = default;

void ProfileControls::SwitchTo(const std::string& path)
{
    ++m_revision;
    std::lock_guard lock(m_mutex);
    m_profile->SaveProfile();
    m_profile->LoadProfile(path);
}

int ProfileControls::Save()
{
    std::lock_guard lock(m_mutex);
    return m_profile->SaveProfile();
}

std::u16string ProfileControls::Text()
{
    std::lock_guard lock(m_mutex);
    return m_profile->BuildProfileDocument();
}

int ProfileControls::PictureType()
{
    std::lock_guard lock(m_mutex);
    return m_profile->GetPictureType();
}

void ProfileControls::SetPictureType(int type)
{
    ++m_revision;
    std::lock_guard lock(m_mutex);
    m_profile->SetPictureType(type);
}

void ProfileControls::SelectCalibrationFile(const std::string& name)
{
    ++m_revision;
    std::lock_guard lock(m_mutex);
    m_profile->SelectCalibrationFile(name);
}

bool ProfileControls::ApplyCalibration(CDib& frame)
{
    std::lock_guard lock(m_mutex);
    return m_profile->ApplyCalibration(frame) == 1;
}

bool ProfileControls::SetSlider(Slider slider, int position)
{
    std::lock_guard lock(m_mutex);
    if (m_profile->ActiveModeIndex() != int(Preset::Custom))
        return false;
    m_sliders[Index(slider)] = std::clamp(position, 0, kSliderMax);
    ApplySlidersLocked(true);
    return true;
}

void ProfileControls::SelectPreset(Preset preset)
{
    std::lock_guard lock(m_mutex);
    SelectPresetLocked(preset);
}

void ProfileControls::SelectPresetLocked(Preset preset)
{
    ++m_revision;
    m_profile->pictureModeSelect = int(preset);
    PictureMode& mode = m_profile->pictureModes[int(preset)];
    for (Slider s : {Slider::Brightness, Slider::Contrast, Slider::Saturation, Slider::CyanRed,
                     Slider::MagentaGreen, Slider::YellowBlue})
        m_sliders[Index(s)] = Position(Field(mode, s));
    // All six move at once, so the custom values are never read half-moved;
    // a value beyond the slider's range comes back clamped, as the slider
    // shows it.
    ApplySlidersLocked(preset == Preset::Custom);
}

void ProfileControls::ApplySlidersLocked(bool storeInCustom)
{
    ++m_revision;
    auto value = [&](Slider s) { return SliderValue(m_sliders[Index(s)]); };
    if (storeInCustom)
    {
        PictureMode& custom = m_profile->pictureModes[int(Preset::Custom)];
        for (Slider s : {Slider::Brightness, Slider::Contrast, Slider::Saturation, Slider::CyanRed,
                         Slider::MagentaGreen, Slider::YellowBlue})
            Field(custom, s) = value(s);
    }
    // Saturation reaches the processing through the picture mode alone.
    m_profile->SetDeltaScale(value(Slider::Brightness));
    m_profile->SetStrengthPercent(value(Slider::Contrast));
    m_profile->SetColorBalance(value(Slider::CyanRed), value(Slider::MagentaGreen),
                               value(Slider::YellowBlue));
}

void ProfileControls::SetDoubleResolution(bool on)
{
    ++m_revision;
    std::lock_guard lock(m_mutex);
    m_profile->SetDoubleResolution(on ? 1 : 0);
}

void ProfileControls::SetDenoise(bool on)
{
    ++m_revision;
    std::lock_guard lock(m_mutex);
    m_profile->SetDenoiseEnabled(on ? 1 : 0);
}

void ProfileControls::RefreshFromProfile()
{
    std::lock_guard lock(m_mutex);
    SelectPresetLocked(static_cast<Preset>(m_profile->ActiveModeIndex()));
}

void ProfileControls::Fill(CaptureState& state) const
{
    std::lock_guard lock(m_mutex);
    state.sliders = m_sliders;
    state.preset = static_cast<Preset>(m_profile->ActiveModeIndex());
    state.slidersEnabled = state.preset == Preset::Custom;
    state.doubleResolution = m_profile->GetDoubleResolution() == 1;
    state.denoise = m_profile->GetDenoiseEnabled() == 1;
}

} // namespace tavrel
