// The details panels of the backup and restore views and the backup
// progress bar.
#include "ui/model/backup_view_model.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace tdu;

namespace {

template <size_t N>
void set(char16_t (&field)[N], const char16_t* text)
{
    u16 t(text);
    std::copy(t.begin(), t.end(), field);
    field[t.size()] = 0;
}

std::vector<std::string_view> labels(const std::vector<detail_line_t>& lines)
{
    std::vector<std::string_view> out;
    for (const auto& l : lines) out.push_back(l.label.name);
    return out;
}

} // namespace

TEST(BackupViewModel, BackupDetailsOfTheSelectedDevice)
{
    device_t d;
    set(d.device_id, u"PCI\\VEN_8086&DEV_10D3");
    set(d.name, u"Norvale GbE Network Adapter");
    set(d.provider_name, u"Norvale");
    set(d.inf_path, u"oem12.inf");
    set(d.driver_date, u"2012-02-10");
    set(d.driver_version, u"3.0.0.0");
    auto lines = backup_detail_lines(&d, u"C:\\windows\\inf");
    EXPECT_EQ(labels(lines), (std::vector<std::string_view>{
                                 "device_detail_list_device_id", "device_detail_list_device_desc",
                                 "device_detail_list_manufacturer", "device_detail_list_inf_name",
                                 "device_detail_list_inf_date", "device_detail_list_inf_version"}));
    const std::vector<u16> values = {u"PCI\\VEN_8086&DEV_10D3", u"Norvale GbE Network Adapter", u"Norvale",
                                     u"C:\\windows\\inf\\oem12.inf", u"2012-02-10", u"3.0.0.0"};
    for (size_t i = 0; i < values.size(); ++i) EXPECT_EQ(lines[i].value, values[i]) << i;

    // Nothing selected: the labels alone.
    for (const auto& l : backup_detail_lines(nullptr, u"C:\\windows\\inf")) EXPECT_TRUE(l.value.empty());
}

TEST(BackupViewModel, RestoreDetailsOfTheSelectedRecord)
{
    backup_device_t r;
    r.backup_date = u"2026-12-10";
    r.device_id = u"USB\\VID_1234";
    r.desc = u"Ostara USB 3.0";
    r.manu = u"Ostara";
    r.name = u"oem3.inf";
    r.date = u"2013-04-02";
    r.version = u"1.4.0.12";
    auto lines = restore_detail_lines(&r, u"C:\\windows\\inf\\");
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0].label.name, std::string_view("backup_date"));
    const std::vector<u16> values = {u"2026-12-10", u"USB\\VID_1234", u"Ostara USB 3.0", u"Ostara",
                                     u"C:\\windows\\inf\\oem3.inf", u"2013-04-02", u"1.4.0.12"};
    for (size_t i = 0; i < values.size(); ++i) EXPECT_EQ(lines[i].value, values[i]) << i;
    for (const auto& l : restore_detail_lines(nullptr, u"x")) EXPECT_TRUE(l.value.empty());
}

TEST(BackupViewModel, ProgressFractionAndBar)
{
    struct row {
        int32_t progress, ticked;
        float fraction;
    };
    const row rows[] = {
        {0, 3, 0.0f}, {150, 3, 0.5f}, {300, 3, 1.0f},
        {0, 0, 0.0f},    // nothing ticked: no division
        {500, 2, 1.0f},  // a package ticked twice runs past the scale
        {-10, 2, 0.0f},
    };
    for (const auto& r : rows) EXPECT_FLOAT_EQ(backup_fraction(r.progress, r.ticked), r.fraction) << r.progress;

    // The bar's right end follows the width, not the first paint's.
    EXPECT_EQ(backup_progress_rect(800), (layout_rect_t{320, 430, 780, 450}));
    EXPECT_EQ(backup_progress_rect(1200), (layout_rect_t{320, 430, 1180, 450}));
    EXPECT_EQ(backup_progress_rect(100).width(), 0);
}
