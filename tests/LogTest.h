#pragma once
// A fixture for tests that read the diagnostics log: each starts with it empty.

#include "csErrorLog.h"

#include <gtest/gtest.h>

class LogTest : public ::testing::Test
{
protected:
    void SetUp() override { csErrorLog::clear(); }
};
