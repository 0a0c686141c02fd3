#pragma once
// Turns the picture upside down: destination row y = source row height-1-y.

#include "imaging/cwimage/ImageOperation.h"

namespace tavrel
{

class CFlipOperation : public CImageOperation
{
public:
    explicit CFlipOperation(CDib& source) : CImageOperation(source) {}

    int ApplyInPlace() override;

protected:
    int Apply(const CDib& source, CDib& destination) override;
};

} // namespace tavrel
