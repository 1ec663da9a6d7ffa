#include "app/endpoints.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

using namespace tdu;

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
