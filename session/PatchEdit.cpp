#include "PatchEdit.h"

#include "CorrectionSession.h"
#include "csICCLutInterpolator.h"
#include "csICCProfileConverter.h"

#include <algorithm>

PatchEdit::PatchEdit(CorrectionSession& session, std::size_t patch, double threshold)
    : session_(session), patch_(patch), corrector_(session.b2a1_.get(), session.a2b1_.get())
{
    const Patch& p = session_.patches()[patch_];
    corrector_.setPatch(p.reference, p.hasResult ? p.predicted() : p.measured, threshold);
}

bool PatchEdit::reload()
{
    if (patch_ >= session_.patches().size())
        return false;
    const Patch& p = session_.patches()[patch_];
    return corrector_.setPatch(p.reference, p.hasResult ? p.predicted() : p.measured, corrector_.threshold());
}

bool PatchEdit::usable() const
{
    const csCLUTCube* cube = corrector_.cube();
    return cube && cube->usable();
}

bool PatchEdit::corner(int index, Corner& corner)
{
    csCLUTCube* cube = corrector_.cube();
    if (!usable() || index < 0 || index >= corners)
        return false;
    cube->cornerIndices(index, corner.indices.data());
    cube->nodes().get(corner.indices.data(), corner.device);
    std::copy(corner.device, corner.device + maxChannels, corner.output);
    cube->interpolator()->afterClut(corner.output, 1);
    corner.nominal = cube->nodeLab(corner.indices[0], corner.indices[1], corner.indices[2]);
    corner.weight = cube->weight()[index];
    session_.predict(corner.output, corner.printed);
    return true;
}

unsigned PatchEdit::deviceChannels() const
{
    return session_.b2a1_ ? session_.b2a1_->numOutputChannels() : 0;
}

uint32_t PatchEdit::deviceSpace() const
{
    return session_.b2a1_ ? static_cast<uint32_t>(*session_.b2a1_->outputSpace()) : 0;
}

bool PatchEdit::setReference(const Lab& reference)
{
    return corrector_.setReference(reference);
}

bool PatchEdit::iterate(bool roundTrip)
{
    return session_.detailsStep([&] {
        if (corrector_.iterate(roundTrip) < 0)
            return false;
        keep();
        return true;
    });
}

bool PatchEdit::setNodes(const std::vector<std::pair<int, std::array<uint16_t, maxChannels>>>& values)
{
    return session_.detailsStep([&] {
        csCLUTCube* cube = corrector_.cube();
        if (!usable() || values.empty())
            return false;
        for (const auto& [index, device] : values) {
            if (index < 0 || index >= corners)
                return false;
            uint16_t indices[3];
            cube->cornerIndices(index, indices);
            cube->nodes().set(indices, device.data());
        }
        corrector_.refresh();
        keep();
        return true;
    });
}

void PatchEdit::keep()
{
    std::vector<std::array<uint16_t, 3>> nodes;
    const csCLUTCube* cube = corrector_.cube();
    for (int c = 0; c < corners; ++c) {
        std::array<uint16_t, 3> node;
        cube->cornerIndices(c, node.data());
        nodes.push_back(node);
    }
    session_.keepHandEdits(nodes);
    if (corrector_.hasDelta())
        session_.setResult(patch_, corrector_.delta());
}
