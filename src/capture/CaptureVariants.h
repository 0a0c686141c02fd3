#pragma once
// The film and photo variants: choosing a film type or a photo size swaps
// the processing profile (the previous one is saved first), the sensor's
// register list and, for photo sizes, the capture geometry, and remembers
// the choice for the next start ("preview.ini", "Typefile.xml").

#include "capture/CaptureDevice.h"
#include "capture/CaptureSequence.h"
#include "capture/CaptureState.h"
#include "capture/ProfileControls.h"
#include "capture/SensorProfile.h"
#include "platform/EventLoop.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <stop_token>
#include <string>

namespace tavrel
{

class CaptureVariants
{
public:
    struct Context
    {
        EventLoop& loop;
        CaptureDevice& device;
        ProfileControls& profile;
        CaptureSequence& sequence;
        std::string folder; // the program folder ("" = working directory)
        std::function<HWND()> window;
        std::function<void()> changed;
    };

    explicit CaptureVariants(Context context);
    ~CaptureVariants();

    // "sensor.xml": the dialog's geometry, still mode and labels.
    void LoadSensorSettings();
    SensorSettings Sensor() const;

    // Film dialog: the film type of the last run ("preview.ini").
    void InitFilm();
    // The film dialog's start-up register writer: once the camera has had a
    // second, the list of the film type in force.
    void WriteStartupRegisters(std::stop_token stop);
    // Film types 0, 1, 2; the current one only updates the buttons.
    void SelectFilmType(FilmType type);

    // Photo dialog, once the device is open: the name-card switch, the test
    // size, and the size of the last run ("Typefile.xml") after the test
    // size's registers have had their 1.5 s.
    void InitPhoto();
    // Sizes 1 to 4 and the test size; false for the name card while it is
    // switched off.
    bool SelectPhotoSize(PhotoSize size);

    void Fill(CaptureState& state) const;

    // The calibration reference of a film type ("Positive.ver" ...); "" for
    // other picture types.
    static std::string ReferenceName(FilmType type);

private:
    std::string In(const std::string& name) const;
    void SelectLastPhotoSize();

    Context m_c;
    mutable std::mutex m_mutex;
    SensorSettings m_sensor;
    std::atomic<FilmType> m_filmType{FilmType::None};
    std::atomic<PhotoSize> m_photoSize{PhotoSize::None};
    std::atomic<bool> m_nameCardEnabled{true};
};

} // namespace tavrel
