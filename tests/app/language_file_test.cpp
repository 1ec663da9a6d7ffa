// The shipped "language.ini": a section for each installer language, every
// key the program looks up in each of them, and the same printf placeholders
// as English wherever a text is used as a format.
#include "app/language.h"
#include "app/language_keys.h"
#include "app/settings.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

using namespace tdu;

namespace {

u16 shipped_file()
{
    return (test::data_dir() / ".." / ".." / "src" / "ui" / "resources" / "language.ini").u16string();
}

language_table_t section(const u16& name)
{
    language_table_t t;
    EXPECT_EQ(language_load(t, shipped_file(), name, true), 0);
    return t;
}

// The printf conversions of a text in order, "%%" left out.
std::vector<u16> placeholders(const u16& text)
{
    std::vector<u16> out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != u'%') continue;
        if (i + 1 < text.size() && text[i + 1] == u'%') {
            ++i;
            continue;
        }
        size_t end = text.find_first_of(u"diouxXeEfgGcsSp", i + 1);
        out.push_back(text.substr(i, end == u16::npos ? u16::npos : end - i + 1));
        if (end == u16::npos) break;
        i = end;
    }
    return out;
}

std::string printable(const std::vector<u16>& list)
{
    std::string s;
    for (const auto& p : list) s += utf16_to_utf8(p) + " ";
    return s;
}

} // namespace

TEST(LanguageFile, HasASectionForEachInstallerLanguageEnglishFirst)
{
    auto t = section(u"English");
    std::vector<u16> expected;
    for (uint32_t code = 1; code <= 11; ++code) expected.push_back(installer_language_name(code));
    EXPECT_EQ(t.language_names, expected);
    EXPECT_EQ(t.current_index, 0);
}

TEST(LanguageFile, EveryLanguageHasEveryKeyAndNoOther)
{
    const std::set<std::string> known(std::begin(lang::all_keys), std::end(lang::all_keys));
    for (const auto& name : section(u"English").language_names) {
        SCOPED_TRACE(utf16_to_utf8(name));
        auto t = section(name);
        for (language_key_t key : lang::all_keys) EXPECT_FALSE(language_text(t, key).empty()) << key.name;
        for (const auto& entry : t.texts) EXPECT_TRUE(known.count(entry.first)) << "unknown key '" << entry.first << "'";
    }
}

TEST(LanguageFile, FormatsCarryTheirPlaceholdersInEveryLanguage)
{
    const std::map<std::string_view, std::vector<u16>> formats = {
        {lang::about_info1, {u"%s", u"%s", u"%s"}},
        {lang::cleanup_completed, {u"%s"}},
        {lang::cleanup_failed, {u"%s"}},
        {lang::download_date1, {u"%s", u"%s"}},
        {lang::download_date2, {u"%s", u"%s"}},
        {lang::download_date3, {u"%s"}},
        {lang::download_install_error_code, {u"%s"}},
        {lang::error_network_error, {u"%d"}},
        {lang::error_network_failed, {u"%d"}},
        {lang::error_driver_folder, {u"%s"}},
        {lang::scan_driver_folder, {u"%s", u"%d", u"%d"}},
        {lang::new_driver_notify, {u"%d"}},
        {lang::restore_before_update, {u"%s"}},
        {lang::restore_installer_error, {u"%s"}},
        {lang::ignored_link, {u"%d"}},
        {lang::sidebar_out_of_date, {u"%d"}},
        {lang::sidebar_no_driver, {u"%d"}},
        {lang::sidebar_up_to_date, {u"%d"}},
        {lang::sidebar_total, {u"%d"}},
        {lang::update_downloading, {u"%s", u"%s"}},
        {lang::update_installed, {u"%s"}},
        {lang::update_notice, {u"%s"}},
        {lang::update_offer, {u"%s", u"%s", u"%s"}},
        {lang::update_up_to_date, {u"%s"}},
    };
    auto english = section(u"English");
    for (language_key_t key : lang::all_keys) {
        auto it = formats.find(key);
        const std::vector<u16> none;
        EXPECT_EQ(placeholders(language_text(english, key)), it == formats.end() ? none : it->second) << key.name;
    }
    for (const auto& name : english.language_names) {
        SCOPED_TRACE(utf16_to_utf8(name));
        auto t = section(name);
        for (language_key_t key : lang::all_keys) {
            EXPECT_EQ(printable(placeholders(language_text(t, key))), printable(placeholders(language_text(english, key))))
                << key.name;
        }
        // The tray balloon holds 30 characters.
        u16 notice = language_text(t, lang::new_driver_notify);
        notice.replace(notice.find(u"%d"), 2, u"99");
        EXPECT_LE(notice.size(), 30u) << utf16_to_utf8(notice);
    }
}
