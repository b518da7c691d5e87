#pragma once
// A finer grid for a lookup table's CLUT that leaves what the table does
// unchanged: every cell is split into k parts per input and each new node
// takes the value the table interpolates there. Simplex and trilinear
// interpolation of the refined grid give the original table's values, to
// within half a code of the tag's precision.
//
// Why: a B2A table of 17 points misses its own A2B table by close to 1 dE
// between the nodes, and an edit of a coarse node reaches colours far from
// the patch that asked for it. On a finer grid a correction can follow the
// patches more closely without disturbing the colours between them.

#include <cstdint>
#include <vector>

class csICCProfile;
class csICCTag;

// The largest k with k(g - 1) + 1 <= maxPoints for every input's grid
// count g; 1 when the grid is already that fine or the tag has no CLUT.
unsigned clutRefinementFactor(const csICCTag& tag, unsigned maxPoints);

// The tag's file bytes with its CLUT refined by factor (at least 2): a lut8,
// lut16, lutAtoB or lutBtoA tag. Empty when the tag is none of these, has
// no CLUT, or the refined grid does not fit the type.
std::vector<uint8_t> refinedClutBytes(const csICCTag& tag, unsigned factor);

// What refineB2ATables did to one table.
struct ClutRefined
{
    int intent;
    unsigned fromPoints;
    unsigned toPoints;
    // The tag's file bytes before: a table no correction changed is saved
    // as it came.
    std::vector<uint8_t> original;
};

// Refines every B2A0/B2A1/B2A2 table of three inputs whose grid is coarser
// than maxPoints, in the profile's tag table. Tables that held equal bytes
// still do, so they are still stored once.
std::vector<ClutRefined> refineB2ATables(csICCProfile& profile, unsigned maxPoints);
