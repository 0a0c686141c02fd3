#include "imaging/cwimage/ImageOperation.h"

#include "imaging/cwimage/dib/Dib.h"

namespace tavrel
{

int CImageOperation::ApplyTo(CDib& destination)
{
    if (!m_source.HasPixels())
        return 0;
    if (&destination == &m_source)
        return ApplyInPlace();
    return Apply(m_source, destination);
}

int CImageOperation::ApplyInPlace()
{
    if (!m_source.HasPixels())
        return 0;
    CDib copy(m_source);
    if (!copy.HasPixels())
        return 0;
    return Apply(copy, m_source);
}

} // namespace tavrel
