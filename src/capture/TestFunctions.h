#pragma once
// The test group's functions as plain functions: a frame saved as it came
// from the camera, and a frame or a bitmap file restored through the full
// processing into a bitmap file.

#include "capture/ProfileControls.h"
#include "imaging/cwimage/dib/Dib.h"

#include <string>

namespace tavrel
{

// "name" with ".BMP" appended unless it ends so (in any case).
std::string BitmapName(std::string name);

// 1001 "Save To File": the unprocessed frame as a bitmap file.
bool SaveRawFrame(CDib& frame, const std::string& name);

// 1003 and 1007: processes `picture` fully and saves it as a bitmap file;
// the plug-in's progress sets the range that ProgressRange() gives back.
bool RestoreToBitmapFile(ProfileControls& profile, CDib& picture, const std::string& name);
int ProgressRange();

} // namespace tavrel
