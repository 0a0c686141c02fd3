#pragma once
// Cuts out {left, top, right, bottom} (right and bottom exclusive), clamped to
// the picture; an inverted rectangle fails.

#include "imaging/cwimage/ImageOperation.h"

namespace tavrel
{

class CCropOperation : public CImageOperation
{
public:
    CCropOperation(CDib& source, int left, int top, int right, int bottom)
        : CImageOperation(source), m_left(left), m_top(top), m_right(right), m_bottom(bottom)
    {
    }

protected:
    int Apply(const CDib& source, CDib& destination) override;

private:
    int m_left, m_top, m_right, m_bottom;
};

} // namespace tavrel
