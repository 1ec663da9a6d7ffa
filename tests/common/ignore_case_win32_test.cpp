// lstrcmpiW gives the answers of the shared table, so the portable
// comparison stands for it in the native build.
#include "common/text.h"
#include "common/win32_text.h"
#include "ignore_case_cases.h"

#include <gtest/gtest.h>

using namespace tdu;

TEST(IgnoreCaseWin32, LstrcmpiAgreesWithTheSharedTable)
{
    for (const auto& c : test::ignore_case_cases) {
        EXPECT_EQ(lstrcmpiW(wide(c.a), wide(c.b)) == 0, c.equal)
            << utf16_to_utf8(c.a) << " / " << utf16_to_utf8(c.b);
    }
}
