// The scan-share switch with an injected resolver.
#include "devices/scan_share.h"

#include <gtest/gtest.h>

#include <map>

using namespace tdu;

namespace {

class table_source_c final : public scan_share_source_c {
public:
    uint32_t acp = 1252, oemcp = 437;
    bool starts = true;
    std::map<std::string, std::string> answers;
    std::vector<std::string> asked;

    uint32_t ansi_code_page() override { return acp; }
    uint32_t oem_code_page() override { return oemcp; }
    bool startup() override { return starts; }
    std::optional<std::string> resolve(const std::string& host) override
    {
        asked.push_back(host);
        auto found = answers.find(host);
        if (found == answers.end()) return std::nullopt;
        return found->second;
    }
};

class ScanShare : public ::testing::Test {
protected:
    void SetUp() override { scan_share_limit = scan_share_initial_limit; }
    void TearDown() override { scan_share_limit = scan_share_initial_limit; }
};

} // namespace

TEST_F(ScanShare, TheLookupSetsTheLimitFromTheFirstCharacter)
{
    struct row_t {
        const char* what;
        uint32_t acp, oemcp;
        bool starts;
        const char* answer;  // null: no answer
        int32_t limit;
        bool asked;
    };
    const row_t rows[] = {
        {"no answer", 1252, 437, true, nullptr, 10, true},
        {"8.8.4.4 leaves the limit", 1252, 437, true, "8.8.4.4", 10, true},
        {"first digit 3", 1252, 437, true, "3.1.2.4", 3, true},
        {"only the first character counts", 1252, 437, true, "127.0.0.1", 1, true},
        {"first digit 0 drops everything", 1252, 437, true, "0.0.0.0", 0, true},
        {"8.8.4.5 is not the special answer", 1252, 437, true, "8.8.4.5", 8, true},
        {"9", 1252, 437, true, "93.184.216.34", 9, true},
        {"ANSI code page 936 makes no lookup", 936, 437, true, "3.1.2.4", 10, false},
        {"OEM code page 936 makes no lookup", 1252, 936, true, "3.1.2.4", 10, false},
        {"Winsock does not start", 1252, 437, false, "3.1.2.4", 10, false},
    };
    for (const row_t& row : rows) {
        SCOPED_TRACE(row.what);
        scan_share_limit = scan_share_initial_limit;
        table_source_c source;
        source.acp = row.acp;
        source.oemcp = row.oemcp;
        source.starts = row.starts;
        if (row.answer) source.answers["share.test"] = row.answer;
        scan_share_lookup(source, "share.test");
        EXPECT_EQ(scan_share_limit.load(), row.limit);
        EXPECT_EQ(!source.asked.empty(), row.asked);
        if (row.asked) {
            EXPECT_EQ(source.asked.front(), "share.test");
        }
    }
}

TEST_F(ScanShare, DropsBySumOfCodeUnitsModuloTen)
{
    // "A" sums to 65 (bucket 5), "AB" to 131 (bucket 1), U+FFFF U+FFFF to
    // 131070 (bucket 0): the sum takes the full 16-bit units.
    struct row_t {
        u16 id;
        int32_t limit;
        bool dropped;
    };
    const row_t rows[] = {
        {u"A", 10, false}, {u"A", 6, false}, {u"A", 5, true},  {u"A", 0, true},
        {u"AB", 2, false}, {u"AB", 1, true}, {u"\uFFFF\uFFFF", 1, false}, {u"\uFFFF\uFFFF", 0, true},
        {u"", 1, false},   {u"", 0, true},
    };
    for (const row_t& row : rows) {
        scan_share_limit = row.limit;
        EXPECT_EQ(scan_share_drops(row.id), row.dropped) << row.limit;
    }
}
