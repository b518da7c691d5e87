#pragma once
// The eight B2A1 grid nodes around one patch's reference colour: their
// weights, how well each node reproduces the colour it stands for, and a
// weighted step of one device channel of all eight at once.
//
// The table is a lut8/lut16 or "mBA " tag with a CLUT; the cube reaches
// its grid through the interpolator's stages before the CLUT, and the
// colour a node stands for through their inverse.
//
// The cube points into the B2A1 converter's interpolator and LUT tag
// without owning them; whoever holds a cube must drop it before those
// converters are re-initialised or destroyed.

#include "ClutNodes.h"
#include "ColorDifference.h"
#include "EngineText.h"

#include <cstdint>
#include <string>
#include <vector>

class csICCLutInterpolator;
class csICCProfileConverter;

class csCLUTCube
{
public:
    static constexpr int corners = 8;
    static constexpr int maxOutputs = maxCorrectedChannels;

    csCLUTCube(csICCProfileConverter* b2a1, csICCProfileConverter* a2b1);

    // Whether the B2A1 table is one the cube can work on: a CLUT of three
    // inputs (Lab) and at most four outputs, whose stages before it can be
    // inverted. If not, why not, for the user.
    bool usable() const { return problem_.empty(); }
    const EngineText& problem() const { return problem_; }

    // Findings about the table, gathered rather than printed: they concern
    // the profile, so the caller reports each once however many patches
    // met it.
    enum Finding : unsigned {
        WrongLegacyLScaling = 1u << 0, // legacy L* 100 does not reach the top of the input curve
        NotLegacyInput = 1u << 1,      // the table takes version 4 Lab
        InverseMismatch = 1u << 2,     // a lut8/lut16 input curve does not invert exactly at a node
    };
    unsigned findings() const { return findings_; }
    // The text of each finding in a mask, one line each.
    static std::vector<EngineText> describe(unsigned findings);

    // The absolute reference; fills absCol to preCLUT and locates the cell.
    void setReference(double L, double a, double b);
    void locate(const uint16_t preCLUT[3]);
    // The absolute colour a node stands for.
    Lab16 nodeLab(uint16_t gx, uint16_t gy, uint16_t gz) const;
    // Moves one output channel of the eight nodes; returns the change of the
    // trilinear interpolation at the reference. A dry run changes nothing.
    double applyStep(unsigned channel, double step, bool dryRun);

    // How much more than the step a node moves: nodes that reproduce their
    // colour badly (error above 1) and the corner nearest the reference more.
    static double nodeFactor(double nodeDeltaE, double weight);

    // Grid indices of corner c = 4i + 2j + k.
    void cornerIndices(int corner, uint16_t indices[3]) const;

    csICCProfileConverter* b2a1() const { return b2a1_; }
    csICCProfileConverter* a2b1() const { return a2b1_; }
    const csICCLutInterpolator* interpolator() const { return interpolator_; }
    csICCLutInterpolator* interpolator() { return interpolator_; }
    const ClutNodes& nodes() const { return nodes_; }
    ClutNodes& nodes() { return nodes_; }
    const Lab16& absCol() const { return absCol_; }
    const Lab16& relCol() const { return relCol_; }
    const uint16_t* preInput() const { return preInput_; }
    const uint16_t* preCLUT() const { return preCLUT_; }
    const uint16_t* baseIndex() const { return baseIndex_; }
    const double* weight() const { return weight_; }
    const double* nodeDeltaE() const { return nodeDeltaE_; }

private:
    csICCProfileConverter* b2a1_;
    csICCProfileConverter* a2b1_;
    csICCLutInterpolator* interpolator_ = nullptr;
    ClutNodes nodes_;
    EngineText problem_;
    // A lut8/lut16 table: input curves alone (and an identity matrix)
    // before the CLUT.
    bool inputCurvesOnly_ = false;
    mutable unsigned findings_ = 0;
    Lab16 absCol_ = {0, 0, 0};
    Lab16 relCol_ = {0, 0, 0};
    uint16_t preInput_[3] = {};
    uint16_t preCLUT_[3] = {};
    uint16_t baseIndex_[3] = {};
    double weight_[corners] = {};
    double nodeDeltaE_[corners] = {};
    // nodeFactor of each corner, fixed once the cell is located.
    double factor_[corners] = {};
};
