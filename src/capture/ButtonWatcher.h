#pragma once
// The button poller: reads the camera's button every 50 ms while the graph
// is ready, a control object is attached, no register list is being
// written and the capture button is enabled. A press goes to the capture
// sequence; half a second later the button's latch is cleared, so holding
// the button down takes one picture.

#include "capture/Log.h"

#include <functional>
#include <stop_token>

namespace tavrel
{

class CaptureDevice;

class ButtonWatcher
{
public:
    struct Hooks
    {
        std::function<bool()> mayRead; // the capture button is enabled
        std::function<bool()> pressed; // a press; false when it was not taken
    };

    ButtonWatcher(CaptureDevice& device, CLog& log, Hooks hooks);

    // The poller thread's body; ends when `stop` is requested.
    void Run(std::stop_token stop);

private:
    CaptureDevice& m_device;
    CLog& m_log;
    Hooks m_hooks;
};

} // namespace tavrel
