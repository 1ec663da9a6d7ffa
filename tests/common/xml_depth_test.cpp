#include "common/xml_depth.h"

#include <gtest/gtest.h>

#include <string>

using namespace tdu;

namespace {

std::string nested(int levels)
{
    std::string s;
    for (int i = 0; i < levels; ++i) s += "<a>";
    for (int i = 0; i < levels; ++i) s += "</a>";
    return s;
}

} // namespace

TEST(XmlDepth, CountsElementNestingTheWayTheParserReadsMarkup)
{
    struct row { std::string xml; int depth; };
    const row rows[] = {
        {"", 0},
        {"plain text", 0},
        {"<?xml version=\"1.0\" ?><r/>", 0},
        {"<r></r>", 1},
        {"<r><a/><b x='1' /><c>t</c></r>", 2},
        {"<r><h><id>1</id><item><title>x</title></item></h></r>", 4},
        {"<r><!-- <a><b><c> --></r>", 1},
        {"<r><![CDATA[<a><b><c>]]></r>", 1},
        {"<r x=\"<a><b>\" y='>'><i/></r>", 1},
        {"<!DOCTYPE r><r>a < b</r>", 1},
        {"<_a><\xc3\xa9><b>", 3},       // unclosed: every open level counts
        {"<a><b></b><c></c></a>", 2},
        {"</a></a><a>", 1},
    };
    for (const auto& r : rows) EXPECT_EQ(xml_nesting_depth(r.xml, 1000), r.depth) << r.xml;
}

TEST(XmlDepth, RefusesDocumentsNestedBeyondTheLimit)
{
    EXPECT_TRUE(xml_nesting_acceptable(nested(xml_max_depth)));
    EXPECT_FALSE(xml_nesting_acceptable(nested(xml_max_depth + 1)));
    std::string deep;
    for (int i = 0; i < 100000; ++i) deep += "<a>";
    EXPECT_FALSE(xml_nesting_acceptable(deep));
    EXPECT_EQ(xml_nesting_depth(deep, 10), 11);
}
