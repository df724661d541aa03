#include <gtest/gtest.h>
#include "engine/KNUtils.h"
TEST(Smoke, Builds) { EXPECT_EQ(kinetra::FormatGeneral(0.002), "0.002"); }
