#pragma once
// 8-bit grey to 24-bit colour with blue = green = red = grey.

#include "imaging/cwimage/ImageOperation.h"

namespace tavrel
{

class CGreyToRgbOperation : public CImageOperation
{
public:
    explicit CGreyToRgbOperation(CDib& source) : CImageOperation(source) {}

protected:
    int Apply(const CDib& source, CDib& destination) override;
};

} // namespace tavrel
