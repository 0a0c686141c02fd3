#pragma once
// Sensor profiles ("sensor.xml" and the photo-size variants) and the small
// settings files of the film and photo dialogs.
//
// The readers step through the children of `sensor` with FindNext, each
// search starting after the last element found, so the children must stand
// in their fixed order; a missing element keeps its fields and the next
// search starts from the last element found.

#include <string>

namespace tavrel
{

struct CropMargins
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// The dialog's share of a sensor profile, with the dialog's defaults.
struct SensorSettings
{
    int sensorType = 0; // read, not used
    int stillMode = 1;
    CropMargins captureCrop;
    int outputWidth = 0; // 0 or negative: keep the cropped size
    int outputHeight = 0;
    CropMargins previewCrop;
    int stillWaitTimeMs = 500;
    std::string dpi18Label = "1800 dpi";
    std::string dpi36Label = "3600 dpi";
};

// The capture graph's share, with the graph's defaults.
struct GraphSettings
{
    int stillMode = 0;
    int stillWidth = 2592;
    int stillHeight = 1944;
    int previewWidth = 640;
    int previewHeight = 480;
    int frameRate = 30;
};

// Elements 1 to 7 (`type` to `dpitext`). False when the file cannot be
// loaded; the fields are then untouched.
bool ReadSensorSettings(const std::string& path, SensorSettings& settings);
// `capture` (mode and still size) and `preview` after it.
bool ReadGraphSettings(const std::string& path, GraphSettings& settings);
// Elements 3 to 7 only (`crop` to `dpitext`).
bool ReadPhotoSizeGeometry(const std::string& path, SensorSettings& settings);

// Sensor profile of a photo size index: 0 "sensor.xml", 1 "sensor_5x7.xml",
// 2 "sensor_4x6.xml", 3 "sensor_3x5.xml", 4 "sensor_namecard.xml",
// 5 "sensor_test.xml"; "" for other indexes.
std::string SensorProfileName(int sizeIndex);

// "Typefile.xml": the last chosen photo size (1 to 4).
bool WriteTypefile(const std::string& path, int sizeIndex);
// -1 when the file cannot be loaded; 1 when `Type` is missing.
int ReadTypefile(const std::string& path);

// "TypeNameCard.ini": non-zero disables the name-card size.
int ReadTypeNameCard(const std::string& path);
// "preview.ini": the last chosen film type ("0", "1" or "2"), default 0.
int ReadPreviewFormat(const std::string& path = "preview.ini");
bool WritePreviewFormat(int filmType, const std::string& path = "preview.ini");

// _wtoi: leading blanks, a sign, decimal digits; anything else gives 0.
int DecimalValue(const std::u16string& text);

} // namespace tavrel
