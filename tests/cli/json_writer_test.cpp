#include "cli/json_writer.h"

#include <gtest/gtest.h>

using namespace tdu;

TEST(JsonWriter, QuotesWhatJsonCannotHoldAsItIs)
{
    struct row {
        std::string in;
        const char* out;
    };
    const row rows[] = {
        {"plain", "\"plain\""},
        {"PCI\\VEN_1F3C&DEV_0A21", "\"PCI\\\\VEN_1F3C&DEV_0A21\""},
        {"say \"hi\"", "\"say \\\"hi\\\"\""},
        {"tab\tline\nreturn\r", "\"tab\\tline\\nreturn\\r\""},
        {std::string("nul\0bell\x07", 9), "\"nul\\u0000bell\\u0007\""},
        {"Gr\xC3\xA4" "fik", "\"Gr\xC3\xA4" "fik\""},  // UTF-8 stays as it is
        {"", "\"\""},
    };
    for (const row& r : rows) EXPECT_EQ(json_quote(r.in), r.out) << r.out;
}

TEST(JsonWriter, NestsObjectsAndArraysWithTwoSpacesPerLevel)
{
    json_writer_c json;
    json.begin_object();
    json.key("name");
    json.string(u"Ger\u00E4t");
    json.key("count");
    json.number(-3);
    json.key("flags");
    json.begin_array();
    json.boolean(true);
    json.boolean(false);
    json.null();
    json.end_array();
    json.key("empty");
    json.begin_array();
    json.end_array();
    json.key("nested");
    json.begin_object();
    json.end_object();
    json.end_object();
    EXPECT_EQ(json.text(),
              "{\n"
              "  \"name\": \"Ger\xC3\xA4t\",\n"
              "  \"count\": -3,\n"
              "  \"flags\": [\n"
              "    true,\n"
              "    false,\n"
              "    null\n"
              "  ],\n"
              "  \"empty\": [],\n"
              "  \"nested\": {}\n"
              "}");
}
