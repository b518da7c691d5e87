#include "ClutNodes.h"

#include "csICCmABTag.h"
#include "csICCmftTag.h"

ClutNodes::ClutNodes(csICCTag* tag)
{
    mft_ = dynamic_cast<csICCmftTag*>(tag);
    auto* mab = dynamic_cast<csICCmABTag*>(tag);
    if (mab && mab->hasClut())
        mab_ = mab;
}

csICCTag* ClutNodes::tag() const
{
    return mft_ ? static_cast<csICCTag*>(mft_) : mab_;
}

unsigned ClutNodes::numInputs() const
{
    return mft_ ? mft_->numInputs() : mab_ ? mab_->numInputs() : 0;
}

unsigned ClutNodes::numOutputs() const
{
    return mft_ ? mft_->numOutputs() : mab_ ? mab_->numOutputs() : 0;
}

const uint32_t* ClutNodes::gridPoints() const
{
    static const uint32_t none[csICCmftTag::maxChannels] = {};
    return mft_ ? mft_->gridPoints() : mab_ ? mab_->gridPoints() : none;
}

uint32_t ClutNodes::precision() const
{
    return mft_ ? mft_->precision() : mab_ ? mab_->precision() : 0;
}

void ClutNodes::get(const uint16_t* gridIndices, uint16_t* values) const
{
    if (mft_)
        mft_->getClutNode(gridIndices, values);
    else if (mab_)
        mab_->getClutNode(gridIndices, values);
}

void ClutNodes::getDouble(const uint16_t* gridIndices, double* values) const
{
    if (mft_)
        mft_->getClutNodeDouble(gridIndices, values);
    else if (mab_)
        mab_->getClutNodeDouble(gridIndices, values);
}

void ClutNodes::set(const uint16_t* gridIndices, const uint16_t* values)
{
    if (mft_)
        mft_->setClutNode(gridIndices, values);
    else if (mab_)
        mab_->setClutNode(gridIndices, values);
}
