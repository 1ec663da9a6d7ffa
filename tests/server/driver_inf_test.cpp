#include "offers/driver_inf.h"

#include <gtest/gtest.h>

using namespace tdu::server;

namespace {

const char* const full_inf = R"([Version]
Signature   = "$WINDOWS NT$"
Class       = Net
ClassGuid   = {4d36e972-e325-11ce-bfc1-08002be10318}
Provider    = %Mfg%
CatalogFile = generic.cat
CatalogFile.NTamd64 = x64.cat
DriverVer   = 6/4/2013, 3.2

[Manufacturer]
%Mfg% = Models, NTx86, NTamd64.6.1, NTbogus
Plain Maker = PlainModels

[Models]
%Dev% = Inst, PCI\VEN_1F3C&DEV_0001

[Models.NTx86]
%Dev% = Inst, PCI\VEN_1F3C&DEV_0001, PCI\VEN_1F3C&CC_0200, , PCI\CC_0200
No IDs here = Inst
= Inst, PCI\VEN_1F3C&DEV_0009
"Bad score" = Broken, PCI\VEN_1F3C&DEV_0002

[Models.NTamd64.6.1]
%Dev% = Inst, , PCI\VEN_1F3C&CC_0200

[PlainModels]
"Plain device" = Plain, USB\VID_1F3C&PID_0001

[Inst.NTx86]
FeatureScore = 0x80
[Inst.NT]
FeatureScore = 0xFE
[Broken]
FeatureScore = 0x1FF

[Strings]
Mfg = "Norvale Networks"
Dev = "Norvale adapter"
)";

} // namespace

TEST(DriverInf, ReadsVersionManufacturersModelsAndFeatureScores)
{
    inf_file_t inf;
    inf_problem_t error;
    ASSERT_TRUE(inf.parse(full_inf, error)) << error.message;
    driver_inf_t d;
    ASSERT_TRUE(read_driver_inf(inf, d, error)) << error.message;
    EXPECT_EQ(d.provider, "Norvale Networks");
    EXPECT_EQ(d.class_name, "Net");
    EXPECT_EQ(d.class_guid, "{4d36e972-e325-11ce-bfc1-08002be10318}");
    EXPECT_EQ(d.date, "2013-06-04");
    EXPECT_EQ(d.version, "3.2.0.0");
    EXPECT_EQ(catalog_for(d, "x86"), "generic.cat");
    EXPECT_EQ(catalog_for(d, "amd64"), "x64.cat");

    ASSERT_EQ(d.manufacturers.size(), 2u);
    const auto& m = d.manufacturers[0];
    EXPECT_EQ(m.name, "Norvale Networks");
    // undecorated, NTx86, NTamd64.6.1; NTbogus is no decoration
    ASSERT_EQ(m.sections.size(), 3u);
    EXPECT_FALSE(m.sections[0].target.decorated);
    EXPECT_EQ(m.sections[1].name, "Models.NTx86");
    EXPECT_EQ(m.sections[2].target.architecture, "amd64");
    EXPECT_EQ(target_os_number(m.sections[2].target), 61);

    const auto& x86 = m.sections[1].models;
    ASSERT_EQ(x86.size(), 2u); // the line without IDs and the one without a description are left out
    EXPECT_EQ(x86[0].description, "Norvale adapter");
    EXPECT_EQ(x86[0].ids, (std::vector<std::string>{"PCI\\VEN_1F3C&DEV_0001", "PCI\\VEN_1F3C&CC_0200", "PCI\\CC_0200"}));
    EXPECT_EQ(x86[0].feature_x86, 0x80u);
    EXPECT_EQ(x86[0].feature_amd64, 0xFEu);
    EXPECT_EQ(x86[1].feature_x86, default_feature_score); // 0x1FF is out of range
    // a model line may leave the hardware ID empty and name compatible IDs only
    EXPECT_EQ(m.sections[2].models[0].ids, (std::vector<std::string>{"", "PCI\\VEN_1F3C&CC_0200"}));

    EXPECT_EQ(d.manufacturers[1].name, "Plain Maker");
    ASSERT_EQ(d.manufacturers[1].sections.size(), 1u);
    EXPECT_EQ(d.manufacturers[1].sections[0].models[0].feature_x86, default_feature_score);

    // every skipped piece is reported with its line
    std::vector<int> lines;
    for (const auto& w : d.warnings) lines.push_back(w.line);
    EXPECT_EQ(lines, (std::vector<int>{11, 19, 20, 34}));
}

TEST(DriverInf, UnusableInfsAreRefusedWithTheReason)
{
    struct row {
        const char* text;
        int line;
        const char* says;
    };
    const row rows[] = {
        {"[Strings]\nA=1\n", 0, "[Version]"},
        {"[Version]\nDriverVer=01/01/2013,1.0\n[Manufacturer]\n", 0, "Signature"},
        {"[Version]\nSignature=\"$Windows 3.1$\"\n", 2, "Signature"},
        {"[Version]\nSignature=\"$Chicago$\"\n[Manufacturer]\n", 0, "DriverVer"},
        {"[Version]\nSignature=\"$Chicago$\"\nDriverVer=13/01/2013,1.0\n", 3, "date"},
        {"[Version]\nSignature=\"$Chicago$\"\nDriverVer=01/01/2013,1.x\n", 3, "version"},
        {"[Version]\nSignature=\"$Windows NT$\"\nDriverVer=01/01/2013,1.0\n", 0, "Manufacturer"},
    };
    for (const auto& r : rows) {
        inf_file_t inf;
        inf_problem_t error;
        ASSERT_TRUE(inf.parse(r.text, error)) << r.text;
        driver_inf_t d;
        EXPECT_FALSE(read_driver_inf(inf, d, error)) << r.text;
        EXPECT_EQ(error.line, r.line) << r.text;
        EXPECT_NE(error.message.find(r.says), std::string::npos) << error.message;
    }
}

TEST(DriverInf, DatesAndVersions)
{
    struct row {
        const char* text;
        const char* iso; // null: refused
    };
    const row dates[] = {{"06/14/2013", "2013-06-14"}, {"1/2/2009", "2009-01-02"}, {"00/10/2013", nullptr},
                         {"12/32/2013", nullptr},      {"12/31/13", nullptr},       {"2013-06-14", nullptr},
                         {"06/14/2013/1", nullptr},    {"-1/14/2013", nullptr}};
    for (const auto& r : dates) {
        std::string iso;
        EXPECT_EQ(parse_driver_date(r.text, iso), r.iso != nullptr) << r.text;
        if (r.iso) EXPECT_EQ(iso, r.iso);
    }
    const row versions[] = {{"1", "1.0.0.0"},       {"6.1.7600.16385", "6.1.7600.16385"}, {"1.2.3.4.5", nullptr},
                            {"65536.0", nullptr},   {"1..2", nullptr},                    {"1.2 beta", nullptr}};
    for (const auto& r : versions) {
        std::string v;
        EXPECT_EQ(parse_driver_version(r.text, v), r.iso != nullptr) << r.text;
        if (r.iso) EXPECT_EQ(v, r.iso);
    }
}

TEST(TargetOs, DecorationsParse)
{
    struct row {
        const char* text;
        bool ok;
        const char* arch;
        int major, minor, product;
    };
    const row rows[] = {
        {"NT", true, "", -1, -1, -1},
        {"ntamd64", true, "amd64", -1, -1, -1},
        {"NTx86.6.1", true, "x86", 6, 1, -1},
        {"NTamd64.10.0...14310", true, "amd64", 10, 0, -1},
        {"NT.6.0.1", true, "", 6, 0, 1},
        {"NTx86.5.1.0x1.0x10.2600", true, "x86", 5, 1, 1},
        {"NTmips", false, "", 0, 0, 0},
        {"Win9x", false, "", 0, 0, 0},
        {"NTx86.six", false, "", 0, 0, 0},
        {"NTx86.1.2.3.4.5.6", false, "", 0, 0, 0},
    };
    for (const auto& r : rows) {
        target_os_t t;
        ASSERT_EQ(parse_target_os(r.text, t), r.ok) << r.text;
        if (!r.ok) continue;
        EXPECT_EQ(t.architecture, r.arch) << r.text;
        EXPECT_EQ(t.major, r.major) << r.text;
        EXPECT_EQ(t.minor, r.minor) << r.text;
        EXPECT_EQ(t.product_type, r.product) << r.text;
    }
}

TEST(TargetOs, WindowsChoosesTheClosestSectionForEachSystem)
{
    auto t = [](const char* decoration) {
        target_os_t target;
        if (*decoration) EXPECT_TRUE(parse_target_os(decoration, target)) << decoration;
        return target;
    };
    // indexes:             0     1        2            3             4          5
    std::vector<target_os_t> sections = {t(""), t("NTx86"), t("NTx86.6.1"), t("NTamd64"), t("NT.6.0"),
                                         t("NTamd64.6.2")};
    struct row {
        const char* os;
        int chosen;
    };
    const row rows[] = {
        {"WINXP", 1},   // NTx86 beats the undecorated section
        {"VISTA", 4},   // NT.6.0 is closer than NTx86
        {"WIN7", 2},    {"WIN8", 2},
        {"VISTA64", 3}, // NT.6.0 names no architecture: not for amd64
        {"WIN764", 3},  {"WIN864", 5},
    };
    for (const auto& r : rows) {
        const os_profile_t* os = find_os_profile(r.os);
        ASSERT_NE(os, nullptr) << r.os;
        EXPECT_EQ(choose_models_section(sections, *os), r.chosen) << r.os;
    }
    // only an undecorated section: x86 systems use it, amd64 ones do not
    std::vector<target_os_t> plain = {t("")};
    EXPECT_EQ(choose_models_section(plain, *find_os_profile("WIN7")), 0);
    EXPECT_EQ(choose_models_section(plain, *find_os_profile("WIN764")), -1);
    // a product type must fit: 3 is a server
    std::vector<target_os_t> server = {t("NTx86.6.0.3")};
    EXPECT_EQ(choose_models_section(server, *find_os_profile("WIN2008")), 0);
    EXPECT_EQ(choose_models_section(server, *find_os_profile("VISTA")), -1);
    EXPECT_EQ(find_os_profile("NOT_SUPPORTED"), nullptr);
    EXPECT_EQ(find_os_profile("win7"), nullptr);
}

TEST(TargetOs, TodaysSystemsTakeTheirOwnSectionsAndABuildRulesOutOlderBuilds)
{
    target_os_t build_target;
    ASSERT_TRUE(parse_target_os("NTamd64.10.0...22000", build_target));
    EXPECT_EQ(build_target.major, 10);
    EXPECT_EQ(build_target.minor, 0);
    EXPECT_EQ(build_target.build, 22000);
    EXPECT_EQ(target_os_number(build_target), 100);

    auto t = [](const char* decoration) {
        target_os_t target;
        EXPECT_TRUE(parse_target_os(decoration, target)) << decoration;
        return target;
    };
    // indexes:                        0              1              2               3
    std::vector<target_os_t> sections = {t("NTamd64.6.2"), t("NTamd64.6.3"), t("NTamd64.10.0"),
                                         t("NTamd64.10.0...22000")};
    struct row {
        const char* os;
        int chosen;
    };
    const row rows[] = {
        {"WIN864", 0},  {"WIN8164", 1}, {"WIN2012R264", 1}, {"WIN1064", 2},
        {"WIN1164", 3}, // the Windows 11 section is the newest that fits
        {"WIN201664", 2}, // Server 2016 is build 14393: not Windows 11's section
        {"WIN764", -1},
    };
    for (const auto& r : rows) {
        const os_profile_t* os = find_os_profile(r.os);
        ASSERT_NE(os, nullptr) << r.os;
        EXPECT_EQ(choose_models_section(sections, *os), r.chosen) << r.os;
    }
    // a driver built only for Windows 11 is never offered to Windows 10
    std::vector<target_os_t> only_eleven = {t("NTamd64.10.0...22000"), t("NTx86.10.0...22000")};
    EXPECT_EQ(choose_models_section(only_eleven, *find_os_profile("WIN1064")), -1);
    EXPECT_EQ(choose_models_section(only_eleven, *find_os_profile("WIN10")), -1);
    EXPECT_EQ(choose_models_section(only_eleven, *find_os_profile("WIN1164")), 0);
    EXPECT_EQ(choose_models_section(only_eleven, *find_os_profile("WIN11")), 1);
    // both columns of every new code exist
    for (const char* code : {"WIN81", "WIN2012R2", "WIN10", "WIN11", "WIN2016"}) {
        const os_profile_t* x86 = find_os_profile(code);
        const os_profile_t* x64 = find_os_profile(std::string(code) + "64");
        ASSERT_NE(x86, nullptr) << code;
        ASSERT_NE(x64, nullptr) << code;
        EXPECT_STREQ(x86->architecture, "x86");
        EXPECT_STREQ(x64->architecture, "amd64");
    }
}
