// The registry seam: the in-memory registry and (in the Windows build) the
// real registry of the Wine prefix answer the same calls the same way.
#include "registry_targets.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace tdu;
using tdu::test::registry_target_t;
using tdu::test::utf16_bytes;

namespace {

class RegistryTest : public testing::TestWithParam<registry_target_t> {
protected:
    void SetUp() override
    {
        registry = GetParam().make();
        base = test::unique_test_key(testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    void TearDown() override { registry->delete_tree(base); }

    std::unique_ptr<registry_key_c> open(const u16& path, uint32_t access = key_read_write,
                                         uint32_t* disposition = nullptr)
    {
        std::unique_ptr<registry_key_c> key;
        EXPECT_EQ(registry->create_key(path, access, key, disposition), reg_ok);
        return key;
    }

    std::shared_ptr<registry_c> registry;
    u16 base;
};

} // namespace

TEST_P(RegistryTest, CreatesKeysWithParentsAndReportsTheDisposition)
{
    uint32_t disposition = 0;
    auto key = open(base + u"\\Parent\\Child", key_read_write, &disposition);
    ASSERT_TRUE(key);
    EXPECT_EQ(disposition, reg_created_new_key);

    // Names of keys and values are compared without regard to case.
    auto again = open(base + u"\\PARENT\\child", key_read, &disposition);
    EXPECT_EQ(disposition, reg_opened_existing_key);
    open(base + u"\\parent", key_read, &disposition);
    EXPECT_EQ(disposition, reg_opened_existing_key);

    ASSERT_EQ(reg_set_dword(*key, u"Number", 7), reg_ok);
    uint32_t value = 0;
    EXPECT_TRUE(reg_read_dword(*again, u"NUMBER", value));
    EXPECT_EQ(value, 7u);

    EXPECT_EQ(registry->delete_tree(base + u"\\Parent"), reg_ok);
    open(base + u"\\Parent\\Child", key_read, &disposition);
    EXPECT_EQ(disposition, reg_created_new_key);
}

TEST_P(RegistryTest, QueryReportsTypeSizeMissingValuesAndShortBuffers)
{
    auto key = open(base);
    ASSERT_EQ(reg_set_string(*key, u"text", u"abc"), reg_ok);

    uint32_t type = 0, size = 0;
    ASSERT_EQ(key->query_value(u"text", &type, nullptr, &size), reg_ok);
    EXPECT_EQ(type, reg_sz);
    EXPECT_EQ(size, 8u);  // three units and the terminating zero

    char16_t small[2];
    size = sizeof small;
    EXPECT_EQ(key->query_value(u"text", &type, small, &size), reg_more_data);
    EXPECT_EQ(size, 8u);

    char16_t room[8] = {};
    size = sizeof room;
    ASSERT_EQ(key->query_value(u"text", nullptr, room, &size), reg_ok);
    EXPECT_EQ(u16(room), u"abc");

    EXPECT_EQ(key->query_value(u"absent", &type, room, &size), reg_file_not_found);
    EXPECT_EQ(key->delete_value(u"absent"), reg_file_not_found);
    EXPECT_EQ(key->delete_value(u"TEXT"), reg_ok);
    EXPECT_EQ(key->query_value(u"text", &type, nullptr, &size), reg_file_not_found);
}

TEST_P(RegistryTest, AKeyOpenedForReadingCannotBeWritten)
{
    open(base);
    auto read_only = open(base, key_read);
    EXPECT_EQ(reg_set_dword(*read_only, u"x", 1), reg_access_denied);
    EXPECT_EQ(read_only->delete_value(u"x"), reg_access_denied);
}

TEST_P(RegistryTest, StringsCountOnlyWhenWholeTerminatedAndFitting)
{
    struct row {
        const char* what;
        uint32_t type;
        std::string bytes;
        bool accepted;
        u16 text;  // when accepted
        size_t unstored = 0;
    };
    const std::string z(2, '\0');
    const row rows[] = {
        {"plain", reg_sz, utf16_bytes(u"C:\\Drv") + z, true, u"C:\\Drv"},
        {"expandable, kept unexpanded", reg_expand_sz, utf16_bytes(u"%TMP%\\x") + z, true, u"%TMP%\\x"},
        {"not Latin", reg_sz, utf16_bytes(u"ドライバÜ") + z, true, u"ドライバÜ"},
        {"empty text", reg_sz, z, true, u""},
        {"ends at the first zero", reg_sz, utf16_bytes(u"ab") + z + utf16_bytes(u"cd") + z, true, u"ab"},
        {"exactly fills the field", reg_sz, utf16_bytes(u"1234567") + z, true, u"1234567"},
        {"one unit too long", reg_sz, utf16_bytes(u"12345678") + z, false, u""},
        {"no terminating zero", reg_sz, utf16_bytes(u"abcd"), false, u"", 2},
        {"odd byte count", reg_sz, utf16_bytes(u"abc") + z + std::string(1, 'x'), false, u""},
        {"no data", reg_sz, std::string(), false, u""},
        {"binary", reg_binary, utf16_bytes(u"abc") + z, false, u""},
        {"number", reg_dword, std::string("\x01\0\0\0", 4), false, u""},
    };
    auto key = open(base);
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        ASSERT_EQ(test::set_raw(*key, u"value", r.type, r.bytes, r.unstored), reg_ok);
        char16_t field[8];
        copy_field(field, 8, u"keep");
        EXPECT_EQ(reg_read_string(*key, u"value", field, 8), r.accepted);
        EXPECT_EQ(u16(field), r.accepted ? r.text : u"keep");
    }
    char16_t field[8] = u"keep";
    EXPECT_FALSE(reg_read_string(*key, u"absent", field, 8));
    EXPECT_EQ(u16(field), u"keep");
}

TEST_P(RegistryTest, NumbersCountOnlyAsFourByteDwords)
{
    struct row {
        const char* what;
        uint32_t type;
        std::string bytes;
        bool accepted;
    };
    const row rows[] = {
        {"dword", reg_dword, std::string("\x02\0\0\0", 4), true},
        {"two bytes", reg_dword, std::string("\x02\0", 2), false},
        {"eight bytes", reg_dword, std::string("\x02\0\0\0\0\0\0\0", 8), false},
        {"binary of four bytes", reg_binary, std::string("\x02\0\0\0", 4), false},
        {"text", reg_sz, std::string("1\0\0\0", 4), false},
    };
    auto key = open(base);
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        ASSERT_EQ(test::set_raw(*key, u"n", r.type, r.bytes), reg_ok);
        uint32_t value = 99;
        EXPECT_EQ(reg_read_dword(*key, u"n", value), r.accepted);
        EXPECT_EQ(value, r.accepted ? 2u : 99u);
    }
}

INSTANTIATE_TEST_SUITE_P(Registries, RegistryTest, testing::ValuesIn(test::registry_targets()),
                         [](const testing::TestParamInfo<registry_target_t>& info) { return info.param.name; });
