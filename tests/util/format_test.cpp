#include "util/format.h"

#include <gtest/gtest.h>

using util::FormatDuration;
using util::FormatSize;

TEST(FormatDuration, ThresholdsAndLongRuns)
{
    EXPECT_EQ(FormatDuration(0), "00:00:00");
    EXPECT_EQ(FormatDuration(59), "00:00:59");
    EXPECT_EQ(FormatDuration(60), "00:01:00");
    EXPECT_EQ(FormatDuration(3599), "00:59:59");
    EXPECT_EQ(FormatDuration(3600), "01:00:00");
    EXPECT_EQ(FormatDuration(86399), "23:59:59");
    EXPECT_EQ(FormatDuration(360000), "100:00:00");
    EXPECT_EQ(FormatDuration(9223372036854775807LL).size() > 8, true);
}

TEST(FormatSize, UnitsAndRounding)
{
    EXPECT_EQ(FormatSize(0), "0 Bytes");
    EXPECT_EQ(FormatSize(1023), "1023 Bytes");
    EXPECT_EQ(FormatSize(1024), "1.00 KB");
    EXPECT_EQ(FormatSize(1536), "1.50 KB");
    EXPECT_EQ(FormatSize(1048575), "1024.00 KB"); // just below a threshold
    EXPECT_EQ(FormatSize(1048576), "1.00 MB");
    EXPECT_EQ(FormatSize(1073741824), "1.00 GB");
    EXPECT_EQ(FormatSize(1099511627776LL), "1.00 TB");
    EXPECT_EQ(FormatSize(1099511627776LL * 3000), "3000.00 TB");
}
