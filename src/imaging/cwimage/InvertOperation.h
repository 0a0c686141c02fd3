#pragma once
// Inverts a rectangle (all zeros = the whole picture) of the source itself;
// with a destination the inverted source is then copied there as well.

#include "imaging/cwimage/ImageOperation.h"

namespace tavrel
{

class CInvertOperation : public CImageOperation
{
public:
    CInvertOperation(CDib& source, int left, int top, int right, int bottom)
        : CImageOperation(source), m_left(left), m_top(top), m_right(right), m_bottom(bottom)
    {
    }

    int ApplyTo(CDib& destination) override;
    int ApplyInPlace() override;

protected:
    int Apply(const CDib& source, CDib& destination) override;

private:
    int InvertSource();

    int m_left, m_top, m_right, m_bottom;
};

} // namespace tavrel
