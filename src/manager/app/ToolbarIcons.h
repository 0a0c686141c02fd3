#pragma once
// The explorer toolbar's 32 x 32 icons (resources 309, 313, 314, 320): the
// desktop's icon theme where it has them, else our own drawings.

#include <QIcon>

namespace tavrel
{

constexpr int IDI_CAPTURE = 309;
constexpr int IDI_UP = 313;
constexpr int IDI_FOLDERS = 314;
constexpr int IDI_VIEW = 320;

QIcon ToolbarIcon(int resourceId);

} // namespace tavrel
