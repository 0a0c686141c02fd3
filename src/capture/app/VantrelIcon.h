#pragma once
// The capture program's icon (resource 128): a scanner's lens over a frame
// of film, drawn at the sizes the desktop asks for.

#include <QIcon>

namespace tavrel
{

QIcon VantrelIcon();

} // namespace tavrel
