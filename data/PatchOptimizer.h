#pragma once
// The steps of "Auto" and the round trip on the patch table, shared by the
// main window and vestrel-cli: the threshold rule, the round trip of one
// row, and the optimisation of one row with its patch corrector.

#include <vector>

class PatchCorrector;
class PatchTable;
class csICCProfileConverter;

namespace PatchOptimizer {

// 442 (beyond any Delta E) without round trip; with it, the smallest Delta E
// of the given rows plus 0.01.
double autoThreshold(const PatchTable& table, const std::vector<int>& rows, bool roundTripOn);

// Replaces the row's measured values by the profile's prediction of its
// reference; false when the reference cannot be read.
bool roundTripRow(PatchTable& table, int row, csICCProfileConverter& b2a1, csICCProfileConverter& a2b1);

// Loads the row into its corrector and optimises it; false when the row
// lacks reference or measured values or the corrector cannot serve.
bool optimizeRow(const PatchTable& table, int row, PatchCorrector& corrector, double threshold, bool roundTripOn);

} // namespace PatchOptimizer
