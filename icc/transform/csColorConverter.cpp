#include "csColorConverter.h"

csColorConverter::~csColorConverter() = default;
