#pragma once
// The manager's look for the scanner through the camera control component:
// at start and on every USB arrival it opens the first "vid_0ac8&pid_337"
// device and clears the button latch (bit 0 of 0x8107); the interfaces are
// kept until the next query, a removal or the close.

#include <cstdint>

namespace tavrel
{

struct IXCEnumerator;
struct IXCcontrol;

class CScannerQuery
{
public:
    CScannerQuery() = default;
    ~CScannerQuery() { Release(); }
    CScannerQuery(const CScannerQuery&) = delete;
    CScannerQuery& operator=(const CScannerQuery&) = delete;

    // True when a scanner was opened (its latch cleared when readable).
    bool Query();
    void Release();
    bool Holds() const { return m_pIXCcontrol != nullptr; }

private:
    IXCEnumerator* m_enumerator = nullptr;
    IXCcontrol* m_pIXCcontrol = nullptr;
};

} // namespace tavrel
