#pragma once
// One patch's details as the details window shows and edits them: how its
// reference travels into the B2A1 table, the eight CLUT nodes around it,
// and the offset, aim, result and remaining difference of its correction.
// The session makes it; every edit of the nodes goes through the session
// as one step of its history and is kept as hand edits, so the window
// holds no way to change the profile behind the session's back.

#include "ColorDifference.h"
#include "PatchCorrector.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

class CorrectionSession;

class PatchEdit
{
public:
    static constexpr int corners = csCLUTCube::corners;
    static constexpr int maxChannels = csCLUTCube::maxOutputs;

    // One node of the cell around the reference.
    struct Corner
    {
        std::array<uint16_t, 3> indices{};
        Lab16 nominal{};  // the Lab the node stands for
        double weight = 0; // its share in the reference's interpolation
        uint16_t device[maxChannels] = {}; // as the CLUT holds it
        uint16_t output[maxChannels] = {}; // after the output curves
        uint16_t printed[3] = {};          // the profile's prediction of output (A2B1)
    };

    PatchEdit(CorrectionSession& session, std::size_t patch, double threshold);
    PatchEdit(const PatchEdit&) = delete;
    PatchEdit& operator=(const PatchEdit&) = delete;

    std::size_t patch() const { return patch_; }
    // Re-reads the patch from the session (after an undo): the corrector
    // starts from where the print lands, the prediction after a correction
    // or else the measurement.
    bool reload();
    // Whether the table is one the cell can be worked on.
    bool usable() const;
    bool corner(int index, Corner& corner);
    // The B2A1 output channels and their colour space.
    unsigned deviceChannels() const;
    uint32_t deviceSpace() const;
    // The state of the patch's correction (reference, offset, aim, result).
    const PatchCorrector& corrector() const { return corrector_; }

    // A reference typed in the details: what the cell gives for it. Changes
    // nothing in the session.
    bool setReference(const Lab& reference);
    // Steps the cell's nodes until the prediction reaches the aim; one step
    // of the session. False when it could not run.
    bool iterate(bool roundTrip);
    // Sets nodes of the cell by hand, by corner; one step of the session.
    bool setNodes(const std::vector<std::pair<int, std::array<uint16_t, maxChannels>>>& values);

private:
    // After the nodes changed: the session keeps them and the patch's result.
    void keep();

    CorrectionSession& session_;
    std::size_t patch_;
    PatchCorrector corrector_;
};
