#include <gtest/gtest.h>

#include "app/text.h"

TEST(ByteAmount, UnitsOf1024WithOneDecimal) {
    const struct {
        unsigned long long bytes;
        const wchar_t* shown;
    } cases[] = {
        {0, L"0 bytes"},          {1023, L"1023 bytes"},         {1024, L"1.0 KB"},
        {1536, L"1.5 KB"},        {1048575, L"1023.9 KB"},       {1048576, L"1.0 MB"},
        {209715200, L"200.0 MB"}, {999999999, L"953.6 MB"},      {5368709120ull, L"5.0 GB"},
        {~0ull, L"16777215.9 TB"},
    };
    for (const auto& c : cases) EXPECT_EQ(format_byte_amount(c.bytes), c.shown) << c.bytes;
}
