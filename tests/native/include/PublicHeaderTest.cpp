// The public C header ships on its own, with copies of the version values: they must be the generated ones.
#include <gtest/gtest.h>

#include "include/ImpApiKalvento.h"
#include "version/KalventoVersion.h"

TEST(PublicHeader, VersionValuesAreTheGeneratedOnes) {
    EXPECT_EQ(IMPAPI_INTERFACE_VERSION, version::kInterfaceVersion);
    EXPECT_EQ(IMPAPI_LOWEST_HOST_VERSION, version::kLowestHostVersion);
}
