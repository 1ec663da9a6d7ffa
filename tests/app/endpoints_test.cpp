#include "app/endpoints.h"

#include "common/registry_types.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

using namespace tdu;
using namespace std::string_literals;

TEST(Endpoints, DefaultsAreThreePlainHttpMirrorsAndOneSitePerLanguage)
{
    endpoints_t e = default_endpoints();
    for (const auto& m : e.mirrors) {
        EXPECT_EQ(m.rfind("http://", 0), 0u) << m;
        EXPECT_EQ(m.back(), '/') << m;
    }
    EXPECT_NE(e.mirrors[0], e.mirrors[1]);
    EXPECT_FALSE(e.scan_share_host.empty());
    EXPECT_EQ(e.site_for("en"), e.site_main);
    EXPECT_EQ(e.site_for("xx"), e.site_main);
    EXPECT_NE(e.site_for("de"), e.site_main);
}

TEST(Endpoints, OverrideFileReplacesNamedKeysOnly)
{
    test::temp_dir_c dir;
    auto file = dir.path() / "endpoints.ini";
    test::write_file(file,
                     "# the demo's service\r\n"
                     "mirror1 = http://127.0.0.1:8080/\r\n"
                     "\n"
                     "mirror3=http://127.0.0.1:8082/\n"
                     "scan_share_host = localhost\n"
                     "site_jp = http://127.0.0.1:9000/jp");
    endpoints_t e = default_endpoints();
    std::string error;
    ASSERT_TRUE(endpoints_apply_file(file.string().c_str(), e, error)) << error;
    EXPECT_EQ(e.mirrors[0], "http://127.0.0.1:8080/");
    EXPECT_EQ(e.mirrors[1], default_endpoints().mirrors[1]);
    EXPECT_EQ(e.mirrors[2], "http://127.0.0.1:8082/");
    EXPECT_EQ(e.scan_share_host, "localhost");
    EXPECT_EQ(e.site_for("jp"), "http://127.0.0.1:9000/jp");
    EXPECT_EQ(e.site_main, default_endpoints().site_main);
}

TEST(Endpoints, BadOverrideChangesNothing)
{
    test::temp_dir_c dir;
    struct row { const char* text; const char* says; };
    const row rows[] = {
        {"mirror1 = http://127.0.0.1:1/\nmirror4 = http://x/\n", ":2:"},
        {"mirror1\n", ":1:"},
        {"mirror2 =\n", ":1:"},
        {"site_xx = http://x\n", ":1:"},
    };
    for (const auto& r : rows) {
        auto file = dir.path() / "bad.ini";
        test::write_file(file, r.text);
        endpoints_t e = default_endpoints();
        std::string error;
        EXPECT_FALSE(endpoints_apply_file(file.string().c_str(), e, error)) << r.text;
        EXPECT_NE(error.find(r.says), std::string::npos) << error;
        EXPECT_EQ(e.mirrors[0], default_endpoints().mirrors[0]) << r.text;
    }
    endpoints_t e = default_endpoints();
    std::string error;
    EXPECT_FALSE(endpoints_apply_file((dir.path() / "missing.ini").string().c_str(), e, error));
    EXPECT_NE(error.find("cannot open"), std::string::npos);
}

namespace {

// Sets (or with null, removes) a variable of this process's environment.
void set_env(const char* name, const char* value)
{
#ifdef _WIN32
    _putenv_s(name, value ? value : "");
#else
    if (value) setenv(name, value, 1);
    else unsetenv(name);
#endif
}

std::vector<uint8_t> utf16_bytes(std::u16string_view units)
{
    std::vector<uint8_t> bytes;
    for (char16_t c : units) {
        bytes.push_back(static_cast<uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
    return bytes;
}

} // namespace

// The window program's override: a registry value, as its type and bytes.
TEST(Endpoints, MachineValueBecomesLines)
{
    struct row_t {
        const char* what;
        uint32_t type;
        std::u16string units;
        bool applies;
        const char* mirror1;
    };
    const row_t rows[] = {
        {"multi-string", reg_multi_sz, u"mirror1 = http://127.0.0.1:9/\0scan_share_host = 8.8.4.4\0\0"s, true,
         "http://127.0.0.1:9/"},
        {"multi-string without its final zeros", reg_multi_sz, u"mirror1 = http://127.0.0.1:9/"s, true,
         "http://127.0.0.1:9/"},
        {"string with line feeds", reg_sz, u"mirror1 = http://127.0.0.1:9/\r\nmirror2 = http://127.0.0.1:8/\0"s, true,
         "http://127.0.0.1:9/"},
        {"string ends at its zero", reg_sz, u"mirror1 = http://127.0.0.1:9/\0mirror4 = x\0"s, true,
         "http://127.0.0.1:9/"},
        {"empty multi-string", reg_multi_sz, u"\0"s, true, nullptr},
        {"a bad line", reg_multi_sz, u"mirror1 = http://127.0.0.1:9/\0mirror9 = x\0\0"s, false, nullptr},
        {"a number", reg_dword, u"\x0001\x0000"s, false, nullptr},
        {"binary", reg_binary, u"mirror1 = http://127.0.0.1:9/"s, false, nullptr},
    };
    for (const row_t& r : rows) {
        SCOPED_TRACE(r.what);
        endpoints_override_t o = endpoints_override_from_value(r.type, utf16_bytes(r.units));
        EXPECT_TRUE(o.present);
        endpoints_loaded_t l = endpoints_load(o);
        EXPECT_EQ(l.error.empty(), r.applies) << l.error;
        EXPECT_EQ(l.endpoints.mirrors[0], r.mirror1 ? r.mirror1 : default_endpoints().mirrors[0]);
        if (!r.applies) EXPECT_NE(l.error.find("HKEY_LOCAL_MACHINE"), std::string::npos) << l.error;
    }
    // An odd number of bytes is no UTF-16 text.
    std::vector<uint8_t> odd = utf16_bytes(u"mirror1 = http://127.0.0.1:9/");
    odd.push_back('x');
    endpoints_loaded_t l = endpoints_load(endpoints_override_from_value(reg_multi_sz, odd));
    EXPECT_FALSE(l.error.empty());
    EXPECT_EQ(l.endpoints.mirrors[0], default_endpoints().mirrors[0]);
}

// The console front end and the tests: the file TDU_ENDPOINTS names.
TEST(Endpoints, EnvironmentOverride)
{
    test::temp_dir_c dir;
    auto file = dir.path() / "endpoints.ini";
    test::write_file(file, "mirror2 = http://127.0.0.1:7/\n");

    set_env("TDU_ENDPOINTS", nullptr);
    EXPECT_FALSE(environment_endpoints_override().present);
    set_env("TDU_ENDPOINTS", "");
    EXPECT_FALSE(environment_endpoints_override().present) << "an empty variable names nothing";

    set_env("TDU_ENDPOINTS", file.string().c_str());
    endpoints_loaded_t l = endpoints_load(environment_endpoints_override());
    EXPECT_TRUE(l.error.empty()) << l.error;
    EXPECT_EQ(l.endpoints.mirrors[1], "http://127.0.0.1:7/");

    set_env("TDU_ENDPOINTS", (dir.path() / "missing.ini").string().c_str());
    l = endpoints_load(environment_endpoints_override());
    EXPECT_NE(l.error.find("cannot open"), std::string::npos);
    EXPECT_EQ(l.endpoints.mirrors[1], default_endpoints().mirrors[1]);
    set_env("TDU_ENDPOINTS", nullptr);

    // No override at all: the defaults, no error.
    l = endpoints_load(endpoints_override_t{});
    EXPECT_TRUE(l.error.empty());
    EXPECT_EQ(l.endpoints.mirrors[0], default_endpoints().mirrors[0]);
}
