#include "app/endpoints.h"
#include "app/language.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <string>

using namespace tdu;

namespace {

u16 sample_path() { return (test::data_dir() / "app" / "language_sample.ini").u16string(); }

// The table after the start-up sequence: the chosen language first, then
// English for the keys it lacks.
language_table_t start_up(const u16& language)
{
    language_table_t t;
    EXPECT_EQ(language_load(t, sample_path(), language, true), 0);
    if (!equals_ignore_case_ascii(language, u"English")) EXPECT_EQ(language_load(t, sample_path(), u"English", false), 0);
    return t;
}

language_table_t loaded(const std::string& file, const u16& name = u"L")
{
    language_table_t t;
    language_load_text(t, file, name, true);
    return t;
}

} // namespace

TEST(Language, ChosenLanguageFirstThenEnglishForMissingKeys)
{
    auto de = start_up(u"deutsch");  // section names compare without regard to case
    EXPECT_EQ(language_text(de, "greeting"), u"Hallo");
    EXPECT_EQ(language_text(de, "shared"), u"Deutscher Text");
    EXPECT_EQ(language_text(de, "only_english"), u"Only in English");
    EXPECT_EQ(language_text(de, "two_lines"), u"first\nsecond");
    EXPECT_EQ(language_text(de, "tabbed"), u"a\tb");
    EXPECT_EQ(language_text(de, "schlüssel"), u"Größe ändern");  // UTF-8 key and text
    EXPECT_EQ(language_text(de, "no_quotes"), u"");  // not an entry line
    EXPECT_EQ(language_text(de, "comment"), u"");
    EXPECT_EQ(*language_current_name(de), u"Deutsch");
    EXPECT_EQ(de.current_index, 1);

    auto en = start_up(u"English");
    EXPECT_EQ(language_text(en, "greeting"), u"Hello");  // the first value wins
    EXPECT_EQ(language_text(en, "shared"), u"English text");

    auto ja = start_up(u"日本語");
    EXPECT_EQ(language_text(ja, "greeting"), u"こんにちは");
    EXPECT_EQ(language_text(ja, "shared"), u"English text");
    EXPECT_EQ(ja.current_index, 3);
    // File order, including names that no per-language row lists.
    const std::vector<u16> names = {u"English", u"Deutsch", u"Klingon", u"日本語"};
    EXPECT_EQ(ja.language_names, names);
}

TEST(Language, MissingSectionOrFile)
{
    auto t = start_up(u"Svenska");
    EXPECT_EQ(t.current_index, 0);
    EXPECT_EQ(*language_current_name(t), u"English");
    EXPECT_EQ(language_text(t, "greeting"), u"Hello");

    language_table_t none;
    test::temp_dir_c temp;
    EXPECT_EQ(language_load(none, (temp.path() / "language.ini").u16string(), u"English", true), -1);
    EXPECT_TRUE(none.texts.empty());
    EXPECT_TRUE(none.language_names.empty());
}

TEST(Language, LookupOfAMissingKeyLeavesTheTableAsItWas)
{
    auto t = start_up(u"English");
    size_t before = t.texts.size();
    EXPECT_EQ(language_text(t, "no_such_key"), u"");
    EXPECT_EQ(language_text(t, "Greeting"), u"");  // keys are case-sensitive
    EXPECT_EQ(t.texts.size(), before);
}

TEST(Language, SectionLines)
{
    struct row {
        const char* line;
        bool section;
        u16 name;
    };
    const row rows[] = {
        {"[English]", true, u"English"},
        {"  [English]  \t", true, u"English"},
        {"[ Deutsch ]", true, u" Deutsch "},
        {"[a]b]", true, u"a]b"},
        {"[]", true, u""},
        {"[Español]", true, u"Español"},
        {"[English", false, u""},
        {"x[English]", false, u""},
        {"[English] x", false, u""},
    };
    for (const auto& r : rows) {
        auto t = loaded(r.line);
        ASSERT_EQ(t.language_names.size(), r.section ? 1u : 0u) << r.line;
        if (r.section) EXPECT_EQ(t.language_names[0], r.name) << r.line;
    }
}

TEST(Language, EntryLines)
{
    struct row {
        const char* line;
        const char* key;  // null: not an entry
        u16 text;
    };
    const row rows[] = {
        {"key=\"text\"", "key", u"text"},
        {"  key=\"text\"  ", "key", u"text"},
        {"key = \"text\"", "key ", u"text"},  // blanks before "=" stay in the key
        {"key=\"  padded  \"", "key", u"  padded  "},
        {"key=\"a \"quoted\" word\"", "key", u"a \"quoted\" word"},
        {"a=b=\"c\"", "a=b", u"c"},
        {"key=\"100%\"", "key", u"100%"},
        {"key=\"a\\\\nb\"", "key", u"a\\\nb"},  // backslash, then the \n escape
        {"key=\"\\t\\n\"", "key", u"\t\n"},
        {"key=\"x\\\"", "key", u"x\\"},
        {"  ;key=\"x\"", " ;key", u"x"},  // a ";" after blanks is not a comment
        {";key=\"x\"", nullptr, u""},
        {"key=\"\"", nullptr, u""},
        {"key=text", nullptr, u""},
        {"=\"x\"", nullptr, u""},
        {"key=\"x\" y", nullptr, u""},
        {"", nullptr, u""},
    };
    for (const auto& r : rows) {
        auto t = loaded(std::string("[L]\n") + r.line + "\n");
        if (!r.key) {
            EXPECT_TRUE(t.texts.empty()) << r.line;
            continue;
        }
        ASSERT_EQ(t.texts.size(), 1u) << r.line;
        EXPECT_EQ(t.texts.begin()->first, r.key) << r.line;
        EXPECT_EQ(t.texts.begin()->second, r.text) << r.line;
    }
}

TEST(Language, AwkwardFilesLoadWhatTheyCan)
{
    const std::string long_text(2047 - std::string("k=\"\"").size(), 'x');
    struct row {
        const char* what;
        std::string file;
        std::vector<std::pair<std::string, u16>> texts;
        size_t names;
    };
    const row rows[] = {
        {"byte order mark", "\xEF\xBB\xBF[L]\na=\"1\"\n", {{"a", u"1"}}, 1},
        {"CR LF line ends", "[L]\r\na=\"1\"\r\nb=\"2\"", {{"a", u"1"}, {"b", u"2"}}, 1},
        {"no sections", "a=\"1\"\nb=\"2\"\n", {}, 0},
        {"invalid UTF-8", "[L]\na=\"\xC3\x28\xFF\"\n", {{"a", u"\xFFFD(\xFFFD"}}, 1},
        {"a line of 2047 bytes", "[L]\nk=\"" + long_text + "\"\n", {{"k", u16(long_text.begin(), long_text.end())}}, 1},
        {"a line of 2048 bytes is skipped whole, the next one read",
         "[L]\nk=\"" + long_text + "x\"\n[M]\n", {}, 2},
        {"a long line's tail is not a section", "[L]\na=\"" + std::string(3000, 'y') + "\n[M]\"\nb=\"2\"\n",
         {{"b", u"2"}}, 1},
        {"duplicate sections: the first value wins", "[L]\na=\"1\"\n[X]\n[L]\na=\"2\"\nb=\"3\"\n",
         {{"a", u"1"}, {"b", u"3"}}, 3},
        {"the section after the wanted one ends it", "[L]\n[L]\na=\"1\"\n", {}, 2},
        {"empty file", "", {}, 0},
        {"NUL bytes", std::string("[L]\na=\"x\0y\"\n", 11), {{"a", u16(u"x\0y", 3)}}, 1},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        auto t = loaded(r.file);
        EXPECT_EQ(t.language_names.size(), r.names);
        ASSERT_EQ(t.texts.size(), r.texts.size());
        for (const auto& [key, text] : r.texts) EXPECT_EQ(language_text(t, key), text) << key;
    }
}

TEST(Language, LongestLinesThatMakeTheExpressionsWorkHardest)
{
    // Deep backtracking over a whole line of 2047 bytes must neither
    // overflow the stack nor fail.
    const std::string many_equals = "k" + std::string(2043, '=') + "\"v\"";
    std::string no_match = "k=";
    while (no_match.size() + 2 <= 2047) no_match += "\"=";
    const std::string brackets = "[" + std::string(2045, ']') + "]";
    ASSERT_EQ(many_equals.size(), 2047u);
    auto t = loaded("[L]\n" + many_equals + "\n" + no_match + "\n" + brackets + "\n");
    ASSERT_EQ(t.texts.size(), 1u);
    EXPECT_EQ(t.texts.begin()->first, "k" + std::string(2042, '='));
    EXPECT_EQ(t.texts.begin()->second, u"v");
    ASSERT_EQ(t.language_names.size(), 2u);
    EXPECT_EQ(t.language_names[1], u16(2045, u']'));
}

TEST(Language, PerLanguageValues)
{
    struct row {
        u16 name;
        const char* code;
        int banner;
        int button;  // state 0
    };
    const row rows[] = {
        {u"Deutsch", "de", 452, 456},  {u"FRANÇAIS", "fr", 453, 459}, {u"español", "es", 455, 465},
        {u"简体中文", "cn", 300, 290}, {u"繁體中文", "hk", 300, 290}, {u"Italiano", "it", 415, 425},
        {u"日本語", "jp", 454, 462},   {u"Português", "pt", 414, 422}, {u"nederlands", "nl", 300, 419},
        {u"العربية", "ar", 412, 416},  {u"English", "en", 300, 290},  {u"Klingon", "en", 300, 290},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.code);
        auto t = loaded("[" + utf16_to_utf8(r.name) + "]\n", r.name);
        EXPECT_STREQ(language_code(t), r.code);
        EXPECT_TRUE(is_language(t, r.code));
        EXPECT_EQ(home_banner_bitmap(t), r.banner);
        for (int state = 0; state < 3; ++state) EXPECT_EQ(home_button_bitmap(t, state), r.button + state);
        const u16 site = utf8_to_utf16(endpoints().site_for(r.code));
        EXPECT_EQ(product_page_url(t), site + u"/driver-updater/");
        EXPECT_EQ(faq_page_url(t), site + u"/faq.php");
    }
    auto de = loaded("[Deutsch]\n", u"Deutsch");
    EXPECT_TRUE(is_language(de, "DE"));
    EXPECT_FALSE(is_language(de, "d"));
    EXPECT_EQ(home_button_bitmap(de, 7), 456);
    EXPECT_EQ(utf8_to_utf16(endpoints().site_for("en")), utf8_to_utf16(endpoints().site_main));
}

TEST(Language, WithoutAnySectionEveryLookupTakesTheLastRow)
{
    auto t = loaded("a=\"1\"\n", u"Deutsch");
    EXPECT_EQ(language_current_name(t), nullptr);
    EXPECT_STREQ(language_code(t), "en");
    EXPECT_EQ(home_banner_bitmap(t), 300);
    EXPECT_EQ(home_button_bitmap(t, 2), 292);
    EXPECT_EQ(product_page_url(t), utf8_to_utf16(endpoints().site_main) + u"/driver-updater/");
}
