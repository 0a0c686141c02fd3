#pragma once
// Picture comparison for tests: same size and depth, and every channel within
// a tolerance; padding bytes are ignored.

#include <gtest/gtest.h>

#include <string>

namespace tavrel
{
class CDib;
}

namespace tavrel::test
{

struct ImageDifference
{
    bool same = false;
    int maxDifference = 0; // over all channels
    int firstX = -1;       // first pixel beyond the tolerance
    int firstY = -1;
    std::string description; // empty when the pictures match
};

ImageDifference CompareDibs(const CDib& a, const CDib& b, int tolerance = 0);

// For EXPECT_TRUE(DibsMatch(a, b, 2)).
::testing::AssertionResult DibsMatch(const CDib& a, const CDib& b, int tolerance = 0);

// A 24-bit picture of the given size whose every pixel differs from its
// neighbours.
void FillPattern(CDib& picture, int width, int height, int seed = 0);

// A picture with smooth gradients and deterministic grain, as film scans look.
void FillPhotoLike(CDib& picture, unsigned seed = 1);

// Mean red, green and blue of a 24-bit picture over the square of side
// 2 × half around (x, y).
struct MeanColour
{
    int r, g, b;
};
MeanColour MeanAround(const CDib& picture, int x, int y, int half);

// Evenness of a 24-bit picture of the scanner: linear light of the four
// corners (a 9 × 9 mean, 4 pixels in) over the centre's, the furthest from 1.
double WorstCornerRatio(const CDib& picture);

} // namespace tavrel::test
