#pragma once
// Painting a CDib with Qt, the one platform-bound picture operation.

#include <QImage>

class QPainter;

namespace tavrel
{

class CDib;

// The picture's own rows as a QImage (no copy; valid while the picture is
// unchanged): 24 bits BGR888, 8 bits indexed with a grey palette, 1 bit mono
// with 0 white and 1 black. Null without pixels.
QImage DibImage(const CDib& picture);

// A 1-bit picture reduced to w × h grey levels by counting set bits in
// blocks of k × k source pixels (k = height / h, at most 16).
QImage ReducedOneBitImage(const CDib& picture, int w, int h);

// Draws the picture into (x, y, w, h); -1 without pixels, else 0.
int DrawDib(const CDib& picture, QPainter& painter, int x, int y, int w, int h);

} // namespace tavrel
