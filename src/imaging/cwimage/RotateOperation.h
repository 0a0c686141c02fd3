#pragma once
// Rotation. Only the half turn (turn 3, angle 0) is offered: pixel (x, y)
// goes to (width-1-x, height-1-y). Other turns fail.

#include "imaging/cwimage/ImageOperation.h"

namespace tavrel
{

class CRotateOperation : public CImageOperation
{
public:
    static constexpr int kHalfTurn = 3;

    CRotateOperation(CDib& source, int turn, int angle)
        : CImageOperation(source), m_turn(turn), m_angle(angle)
    {
    }

protected:
    int Apply(const CDib& source, CDib& destination) override;

private:
    int m_turn;
    int m_angle;
};

} // namespace tavrel
