#pragma once
// The desktop clipboard as the file commands use it: the file lists of the
// desktop's file managers, both ways.

#include "browser/BrowserInterfaces.h"

namespace tavrel
{

class QtFileClipboard : public IFileClipboard
{
public:
    bool SetFiles(const ClipboardFiles& files) override;
    std::optional<ClipboardFiles> Files() const override;
    void Clear() override;
};

} // namespace tavrel
