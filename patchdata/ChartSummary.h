#pragma once
// The chart's Delta E figures, before and after a correction, that the
// tolerance verdict judges.

#include "Patch.h"
#include "Tolerance.h"

#include <vector>

// Measured against the reference, or as predicted after the correction.
enum class Stage { Before, After };

// Over the paired patches: as measured (Before), or as predicted after
// the last correction, those it did not correct as measured (After; none
// without a correction).
DeltaESummary summarizeDeltaE(const std::vector<Patch>& patches, Stage stage, DeltaEMetric metric);
