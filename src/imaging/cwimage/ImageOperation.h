#pragma once
// Base of the picture operations: a source picture, a result written into a
// destination that is re-created, or back into the source itself.

namespace tavrel
{

class CDib;

class CImageOperation
{
public:
    explicit CImageOperation(CDib& source) : m_source(source) {}
    virtual ~CImageOperation() = default;
    CImageOperation(const CImageOperation&) = delete;
    CImageOperation& operator=(const CImageOperation&) = delete;

    // 0 when the source has no pixels (the destination is then untouched) or
    // the operation does not apply to it.
    virtual int ApplyTo(CDib& destination);
    // Works from a copy of the source back into the source.
    virtual int ApplyInPlace();

protected:
    // The kernel: source and destination are never the same picture.
    virtual int Apply(const CDib& source, CDib& destination) = 0;

    CDib& m_source;
};

} // namespace tavrel
