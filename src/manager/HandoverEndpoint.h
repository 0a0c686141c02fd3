#pragma once
// The manager's main-frame window as the capture program finds it: a
// top-level window of class "Pelidor" whose picture messages go to a
// CHandoverReceiver on the host's UI thread.

#include "manager/HandoverReceiver.h"
#include "platform/Desktop.h"

#include <memory>

namespace tavrel
{

// Messages the receiver does not handle go to `otherMessages` (WM_CLOSE and
// the rest of the frame's map); without it they return 0.
std::unique_ptr<WindowEndpoint> CreateManagerWindow(CHandoverReceiver& receiver,
                                                    UiDispatcher dispatcher,
                                                    WindowEndpoint::Handler otherMessages = {},
                                                    const std::string& title = "TAVREL");

} // namespace tavrel
