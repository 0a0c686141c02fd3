#pragma once
// Programs the sensor from a register text file through the control object.

#include "platform/WinTypes.h"

#include <string>

namespace tavrel
{

struct IXCcontrol;

struct RegisterWriteReport
{
    bool opened = false;
    int registerWrites = 0; // register writes that succeeded
    int propertyWrites = 0;
    int failedWrites = 0;
    bool registerAccessUnavailable = false;
};

// Without a control object the list is parsed and nothing is written. A failing
// register write shows "m_pIXCcontrol->Reg_WriteSensor_Pro" once per file
// and the list goes on; a camera without register access (or one that went
// away) gets no further register writes from this file and no message.
// Afterwards a button press latched meanwhile is dropped. Returns `opened`.
// The caller keeps the button poller away meanwhile (DeviceControl).
bool WriteRegisterFile(const std::string& path, tavrel::IXCcontrol* control, tavrel::HWND owner,
                       RegisterWriteReport* report = nullptr);

} // namespace tavrel
