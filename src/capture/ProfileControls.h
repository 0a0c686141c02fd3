#pragma once
// The processing profile of the current film type or photo size, behind
// its lock, and the dialog's controls that change it: the six sliders, the
// presets, the resolution and the denoise box. Everything that reads or
// changes the profile goes through here under the lock; no reference to it
// leaves.

#include "capture/CaptureState.h"
#include "imaging/ImageProfile.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

namespace tavrel
{

class ProfileControls
{
public:
    ProfileControls();
    ~ProfileControls();
    ProfileControls(const ProfileControls&) = delete;
    ProfileControls& operator=(const ProfileControls&) = delete;

    // Runs `work(profile)` under the lock and gives back what it returns.
    template <class Work> auto Use(Work&& work)
    {
        std::lock_guard lock(m_mutex);
        return std::forward<Work>(work)(*m_profile);
    }

    // The profile file of a film type or photo size: the current one is
    // saved first, then `path` is loaded (a file that will not load leaves
    // the profile as it was).
    void SwitchTo(const std::string& path);
    int Save();
    // The profile's text, for a copy handed over with a picture.
    std::u16string Text();

    int PictureType();
    void SetPictureType(int type);
    void SelectCalibrationFile(const std::string& name);
    // Corrects a frame from the camera with the lens calibration in force,
    // before anything turns or crops it; true when a correction was made.
    bool ApplyCalibration(CDib& frame);

    // Slider positions 0..200. False (nothing changed) while a preset holds
    // the sliders.
    bool SetSlider(Slider slider, int position);
    // The preset's values go to the sliders and through them to the
    // profile; only the custom preset leaves the sliders free.
    void SelectPreset(Preset preset);
    void SetDoubleResolution(bool on);
    void SetDenoise(bool on);
    // Resolution, preset (and with it the sliders) and denoise as the
    // profile has them, after a profile was loaded.
    void RefreshFromProfile();

    // The controls' share of the dialog state.
    void Fill(CaptureState& state) const;
    // Grows with every change made through the controls or a switch, so the
    // preview can tell when to draw its frame again.
    std::uint64_t Revision() const { return m_revision; }

private:
    void SelectPresetLocked(Preset preset);
    void ApplySlidersLocked(bool storeInCustom);

    mutable std::mutex m_mutex;
    std::unique_ptr<CImageProfile> m_profile;
    std::array<int, kSliderCount> m_sliders{100, 100, 100, 100, 100, 100};
    std::atomic<std::uint64_t> m_revision{0};
};

} // namespace tavrel
