#pragma once
// New lookup-table tags and whole profiles around them: the tables that
// Vestrel writes from scratch (the correction as an abstract profile) hold
// a CLUT between identity curves, as "mft2" for version 2 profiles and as
// "mAB " for version 4. And the header and tags of a new abstract profile.

#include "csICCNumber.h"

#include <cstdint>
#include <memory>
#include <vector>

class csICCProfile;

struct csICCClutTable
{
    unsigned inputs = 3;
    unsigned outputs = 3;
    unsigned gridPoints = 33; // the same on every input
    // gridPoints^inputs nodes, first input slowest, outputs adjacent, 0..65535.
    std::vector<uint16_t> nodes;

    std::size_t nodeCount() const;
};

// The bytes of an "mft2" tag: identity matrix, identity curves of two
// entries, the CLUT. Empty when the table does not fit the type (1 to 15
// channels a side, 2 to 255 grid points, nodes of the right count).
std::vector<uint8_t> csMft2Bytes(const csICCClutTable& table);
// The bytes of an "mAB " tag: identity A curves, the CLUT (16-bit), identity
// B curves; no M curves or matrix. Empty as above.
std::vector<uint8_t> csMABBytes(const csICCClutTable& table);

// An abstract profile (class "abst", Lab to Lab) of the given major version
// (2 or 4): the header with D50 as illuminant and media white, its A2B0
// from table (mft2 below version 4, mAB from it), wtpt; desc and cprt are
// the caller's (what every saved profile carries). Null when the table
// does not fit.
std::unique_ptr<csICCProfile> csAbstractProfile(unsigned majorVersion, const csICCClutTable& table);
