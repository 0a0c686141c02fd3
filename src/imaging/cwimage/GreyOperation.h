#pragma once
// 24-bit colour to 8-bit grey. Method 0: 0.299 R + 0.587 G + 0.114 B in
// double precision, truncated; no other method is offered.

#include "imaging/cwimage/ImageOperation.h"

#include <cstdint>

namespace tavrel
{

class CGreyOperation : public CImageOperation
{
public:
    CGreyOperation(CDib& source, int method) : CImageOperation(source), m_method(method) {}

    // The reference formula, one pixel.
    static std::uint8_t GreyOf(int red, int green, int blue);
    // The kernel used on pictures: n BGR pixels to n grey bytes, vectorised
    // where the processor allows; the same bytes as GreyOf for every pixel.
    static void GreyRow(const std::uint8_t* bgr, std::uint8_t* grey, int n);
    // The kernel without vector instructions (other processors, tests).
    static void GreyRowPortable(const std::uint8_t* bgr, std::uint8_t* grey, int n);

protected:
    int Apply(const CDib& source, CDib& destination) override;

private:
    int m_method;
};

} // namespace tavrel
