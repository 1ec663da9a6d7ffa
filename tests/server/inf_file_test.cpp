#include "offers/inf_file.h"
#include "offers/inf_text.h"

#include <gtest/gtest.h>

using namespace tdu::server;

namespace {

inf_file_t parsed(const std::string& text)
{
    inf_file_t inf;
    inf_problem_t error;
    EXPECT_TRUE(inf.parse(text, error)) << error.line << ": " << error.message;
    return inf;
}

std::vector<std::string> values(const inf_file_t& inf, const inf_line_t& line)
{
    std::vector<std::string> out;
    for (size_t i = 0; i < line.values.size(); ++i) out.push_back(inf.value(line, i));
    return out;
}

} // namespace

TEST(InfFile, SectionsAndKeysIgnoreCaseAndSameNamedSectionsMerge)
{
    auto inf = parsed("[Version]\r\nSignature=\"$Windows NT$\"\r\n"
                      "[models]\r\nA = inst, ID1\r\n"
                      "[MODELS]\r\nB = inst, ID2\r\n");
    ASSERT_EQ(inf.lines("Models").size(), 2u);
    EXPECT_EQ(inf.key(inf.lines("Models")[1]), "B");
    ASSERT_NE(inf.find("version", "SIGNATURE"), nullptr);
    EXPECT_EQ(inf.value(*inf.find("version", "SIGNATURE"), 0), "$Windows NT$");
    EXPECT_TRUE(inf.lines("Absent").empty());
}

TEST(InfFile, QuotesCommentsAndContinuationsShapeTheFields)
{
    auto inf = parsed("[S]\n"
                      "  key  =  plain text ,\"quoted, with ; and = inside\" ; a comment\n"
                      "doubled = \"say \"\"hi\"\"\"\n"
                      "joined = first, \\\n"
                      "         second, \\ ; comment after the mark\n"
                      "         third\n"
                      "mixed = pre\"  kept  \"post\n"
                      "; only a comment\n"
                      "novalue\n"
                      "empty =\n");
    const auto& lines = inf.lines("S");
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(inf.key(lines[0]), "key");
    EXPECT_EQ(values(inf, lines[0]), (std::vector<std::string>{"plain text", "quoted, with ; and = inside"}));
    EXPECT_EQ(inf.value(lines[1], 0), "say \"hi\"");
    EXPECT_EQ(values(inf, lines[2]), (std::vector<std::string>{"first", "second", "third"}));
    EXPECT_EQ(lines[2].line, 4);
    EXPECT_EQ(inf.value(lines[3], 0), "pre  kept  post");
    EXPECT_FALSE(lines[4].has_key);
    EXPECT_EQ(inf.value(lines[4], 0), "novalue");
    EXPECT_TRUE(lines[5].has_key);
    EXPECT_EQ(inf.value(lines[5], 0), "");
}

TEST(InfFile, StringTokensResolveFromThePreferredLanguageThenStrings)
{
    const std::string text = "[Version]\n"
                             "Provider = %Mfg%\n"
                             "Desc = \"%Dev% (%Missing%) at 100%%\"\n"
                             "Odd = 50% off\n"
                             "[Strings]\n"
                             "mfg = \"Norvale Networks\"\n"
                             "Dev = Gigabit, rev 2\n"
                             "[Strings.0407]\n"
                             "Mfg = \"Norvale Netzwerke\"\n"
                             "OnlyGerman = \"nur deutsch\"\n";
    auto inf = parsed(text);
    const auto* desc = inf.find("Version", "Desc");
    ASSERT_NE(desc, nullptr);
    EXPECT_EQ(inf.value(*desc, 0), "Gigabit, rev 2 (%Missing%) at 100%");
    EXPECT_EQ(inf.value(*inf.find("Version", "Odd"), 0), "50% off");
    EXPECT_EQ(inf.value(*inf.find("Version", "Provider"), 0), "Norvale Networks");
    inf.set_language("0407");
    EXPECT_EQ(inf.value(*inf.find("Version", "Provider"), 0), "Norvale Netzwerke");
    // a key only another language defines still resolves
    inf.set_language("0409");
    ASSERT_NE(inf.string_for("onlygerman"), nullptr);
    EXPECT_EQ(*inf.string_for("onlygerman"), "nur deutsch");
}

TEST(InfFile, SyntaxErrorsNameTheirLine)
{
    struct row {
        const char* text;
        int line;
        const char* says;
    };
    const row rows[] = {
        {"[Version]\nSignature = \"$Windows NT$\n", 2, "quoted"},
        {"[Version]\n\n[Models\n", 3, "closing"},
        {"[ ]\n", 1, "name"},
        {"[Version] trailing\n", 1, "after"},
        {"; header comment\nKey = value\n[Version]\n", 2, "before the first section"},
        {"[S]\nok = 1\nbad = \"one\", \\\n \"two\n", 4, "quoted"},
        {"[S]\nA = \0B\n", 1, "zero"},
    };
    for (const auto& r : rows) {
        std::string text(r.text, std::char_traits<char>::length(r.text));
        if (std::string(r.says) == "zero") text = std::string("[S]\nA = \0B\n", 10);
        inf_file_t inf;
        inf_problem_t error;
        EXPECT_FALSE(inf.parse(text, error)) << r.text;
        EXPECT_EQ(error.line, r.line) << r.text;
        EXPECT_NE(error.message.find(r.says), std::string::npos) << error.message;
    }
}

TEST(InfFile, OverLongLineIsRefused)
{
    std::string text = "[S]\nKey = " + std::string(70000, 'x') + "\n";
    inf_file_t inf;
    inf_problem_t error;
    EXPECT_FALSE(inf.parse(text, error));
    EXPECT_EQ(error.line, 2);
}

TEST(InfText, EncodingsDecodeToTheSameText)
{
    const std::string expected = "[Strings]\r\nName = \"Caf\xC3\xA9 \xE2\x84\xA2\"\r\n";
    auto utf16le = [](const std::string& ascii_and_latin) {
        std::string out;
        for (unsigned char c : ascii_and_latin) {
            out += static_cast<char>(c);
            out += '\0';
        }
        return out;
    };
    // "Café ™" in each encoding: the trade mark sign is U+2122.
    std::string le_body = utf16le("[Strings]\r\nName = \"Caf\xE9 ");
    le_body += std::string("\x22\x21", 2) + utf16le("\"\r\n");
    std::string be_body;
    for (size_t i = 0; i < le_body.size(); i += 2) {
        be_body += le_body[i + 1];
        be_body += le_body[i];
    }
    struct row {
        const char* name;
        std::string bytes;
    };
    const row rows[] = {
        {"UTF-16LE with mark", "\xFF\xFE" + le_body},
        {"UTF-16LE without mark", le_body},
        {"UTF-16BE with mark", "\xFE\xFF" + be_body},
        {"UTF-8 with mark", "\xEF\xBB\xBF" + expected},
        {"UTF-8 without mark", expected},
        {"Windows-1252", "[Strings]\r\nName = \"Caf\xE9 \x99\"\r\n"},
    };
    for (const auto& r : rows) {
        std::string text, error;
        ASSERT_TRUE(decode_inf_bytes(r.bytes, text, error)) << r.name << ": " << error;
        EXPECT_EQ(text, expected) << r.name;
    }
    std::string text, error;
    EXPECT_FALSE(decode_inf_bytes("\xFF\xFE[\0S", text, error));
}
