#include "system/byte_size.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

using namespace tdu;

TEST(ByteSize, EveryRowWithItsExclusiveLimitsAndRounding)
{
    struct row {
        int64_t bytes;
        const char16_t* text;
    };
    const row rows[] = {
        {0, u"0B"},
        {1024, u"1024B"},  // the limits are exclusive
        {1025, u"1.00K"},
        {1536, u"1.50K"},
        {1152, u"1.12K"},   // 1.125: a tie, to even as the C library rounds
        {1408, u"1.38K"},   // 1.375
        {10234, u"9.99K"},  // 9.9941...
        {10235, u"10.00K"}, // 9.9951... rounds up into a new digit
        {1048576, u"1024.00K"},
        {1048577, u"1.00M"},
        {1572864, u"1.50M"},
        {1073741824, u"1024.00M"},
        {1073741825, u"1.00G"},
        {8589934592, u"8.00G"},
        {25276133376, u"23.54G"},
        {std::numeric_limits<int64_t>::max(), u"8589934592.00G"},
        // Below zero only the low 32 bits are shown, as a signed number.
        {-1, u"-1B"},
        {-5000, u"-5000B"},
        {-4294967297LL, u"-1B"},
        {-2147483648LL, u"-2147483648B"},
        {-2147483649LL, u"2147483647B"},
        {-4294967295LL, u"1B"},
        {std::numeric_limits<int64_t>::min(), u"0B"},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(format_byte_size(r.bytes), r.text) << r.bytes;
        char16_t field[16];
        format_byte_size(r.bytes, field, 16);
        EXPECT_EQ(u16(field), r.text) << r.bytes;
    }
}
