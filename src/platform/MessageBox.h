#pragma once
// MessageBoxW / AfxMessageBox. GUI programs install a sink that shows a modal
// box; everywhere else the default sink records the text, appends it as one
// line to "messages.log" in the runtime directory (so tests of other
// processes can read it) and never blocks.

#include "platform/WinTypes.h"

#include <memory>
#include <string>
#include <vector>

namespace tavrel
{

constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_OKCANCEL = 0x1;
constexpr unsigned MB_YESNO = 0x4;
constexpr unsigned MB_ICONERROR = 0x10;
constexpr unsigned MB_ICONWARNING = 0x30;
constexpr unsigned MB_ICONINFORMATION = 0x40;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

class MessageBoxSink
{
public:
    virtual ~MessageBoxSink() = default;
    virtual int Show(HWND owner, const std::string& text, const std::string& caption,
                     unsigned type) = 0;
};

// Thread-safe; returns what the sink returns (the recording sink: IDOK).
int MessageBox(HWND owner, const std::string& text, const std::string& caption = {},
               unsigned type = MB_OK);
inline int AfxMessageBox(const std::string& text, unsigned type = MB_OK)
{
    return MessageBox(0, text, {}, type);
}

// nullptr restores the recording sink.
void SetMessageBoxSink(std::shared_ptr<MessageBoxSink> sink);

// The texts the recording sink has seen in this process, oldest first.
std::vector<std::string> RecordedMessageBoxes();
void ClearRecordedMessageBoxes();

} // namespace tavrel
