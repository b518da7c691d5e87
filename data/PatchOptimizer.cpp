#include "PatchOptimizer.h"

#include "PatchCorrector.h"
#include "PatchTable.h"
#include "csICCProfileConverter.h"

#include <algorithm>

namespace PatchOptimizer {

double autoThreshold(const PatchTable& table, const std::vector<int>& rows, bool roundTripOn)
{
    double threshold = 442.0;
    if (!roundTripOn)
        return threshold;
    for (int row : rows) {
        double dE;
        if (table.getDeltaE(row, dE))
            threshold = std::min(threshold, dE);
    }
    return threshold + 0.01;
}

bool roundTripRow(PatchTable& table, int row, csICCProfileConverter& b2a1, csICCProfileConverter& a2b1)
{
    double L, a, b;
    if (!table.getRefLab(row, L, a, b))
        return false;
    const Lab16 code = encodeLab16({L, a, b});
    uint16_t pcs[3] = {code.L, code.a, code.b};
    uint16_t device[4] = {};
    uint16_t back[3];
    b2a1.convert(pcs, device, 1);
    a2b1.convert(device, back, 1);
    const Lab predicted = decodeLab16({back[0], back[1], back[2]});
    table.setNumber(row, PatchTable::MeasL, predicted.L);
    table.setNumber(row, PatchTable::MeasA, predicted.a);
    table.setNumber(row, PatchTable::MeasB, predicted.b);
    return true;
}

bool optimizeRow(const PatchTable& table, int row, PatchCorrector& corrector, double threshold, bool roundTripOn)
{
    double refL, refA, refB, measL, measA, measB;
    if (!table.getRefLab(row, refL, refA, refB) || !table.getMeasLab(row, measL, measA, measB))
        return false;
    if (!corrector.setPatch({refL, refA, refB}, {measL, measA, measB}, threshold))
        return false;
    corrector.iterate(roundTripOn);
    return true;
}

} // namespace PatchOptimizer
