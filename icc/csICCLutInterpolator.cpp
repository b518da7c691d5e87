#include "csICCLutInterpolator.h"

csICCLutInterpolator::~csICCLutInterpolator() = default;
