#pragma once
// Vantrel driven as a foot switch or a user's script drives it: the device's
// button through tavrel-sim, the on-screen button through tavrel-tool
// message. Whether a press was taken is read from the capture log, never
// guessed from time. Needs the test's Sandbox (the log is in its home).

#include "support/Process.h"
#include "support/Wait.h"

#include <chrono>
#include <string>

namespace tavrel::test
{

// What the capture log says when a press was taken: the still pin fired by
// the device (still mode) or the capture button's request.
inline constexpr const char* kStillPinSnap = "StillPin Snap!";
inline constexpr const char* kButtonCapture = "Button Capture!";
inline constexpr const char* kStillArrived = "Enter CallBack!";

std::size_t CountOf(const std::string& text, const std::string& part);

// "log.txt" of the program folder.
std::string CaptureLog();

// The dialog is up and takes commands (its window exists from its first step).
bool WaitUntilRunning(const Process& vantrel,
                      std::chrono::milliseconds timeout = std::chrono::seconds(60));

// Presses the device's button once the latch is clear, and again while no
// capture took it (a press while the sensor is programmed is dropped by
// design); true once the log shows `taken`, or a still, once more than before.
bool PressDeviceButton(const std::string& taken = kStillPinSnap,
                       std::chrono::milliseconds timeout = std::chrono::seconds(60));

// Clicks "拍摄" until the enabled button takes it (it rests while a capture ends).
bool ClickCapture(std::chrono::milliseconds timeout = std::chrono::seconds(60));

} // namespace tavrel::test
