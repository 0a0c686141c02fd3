#pragma once
// Reduces by an integer factor f: each output pixel summarises an f × f block
// (24/8 bits: the mean, truncated; 1 bit: a grey level, giving 8 bits).

#include "imaging/cwimage/ImageOperation.h"

namespace tavrel
{

class CShrinkOperation : public CImageOperation
{
public:
    CShrinkOperation(CDib& source, int factor) : CImageOperation(source), m_factor(factor) {}

protected:
    int Apply(const CDib& source, CDib& destination) override;

private:
    int m_factor;
};

} // namespace tavrel
