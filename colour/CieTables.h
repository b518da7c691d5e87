#pragma once
// The CIE's published colorimetric tables, typed in once: the 1931 standard
// observer at 1 nm and standard illuminant D50 at 5 nm.

#include <cstddef>

struct CieColorMatching
{
    double x, y, z;
};

constexpr int cieObserverFirstNm = 360;
constexpr std::size_t cieObserverCount = 471; // to 830 nm
extern const CieColorMatching cie1931Observer[cieObserverCount];

constexpr int cieD50FirstNm = 360;
constexpr int cieD50StepNm = 5;
constexpr std::size_t cieD50Count = 95; // to 830 nm
extern const double cieD50[cieD50Count];
