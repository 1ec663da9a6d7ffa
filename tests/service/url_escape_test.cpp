// Space escaping of download links: the portable rule and the platform's
// call (the shell's UrlEscapeA under Wine) answer the same table.
#include "service/url_escape.h"

#include <gtest/gtest.h>

using namespace tdu;

namespace {

struct row {
    const char* link;
    const char* escaped;
};
const row escape_rows[] = {
    {"http://host/drivers/pkg.zip", "http://host/drivers/pkg.zip"},
    {"http://host/new drivers/pkg 2.zip", "http://host/new%20drivers/pkg%202.zip"},
    {"http://host/a  b", "http://host/a%20%20b"},
    {"http://host/a b?name=c d", "http://host/a%20b?name=c d"},
    {"http://host/a b#part c", "http://host/a%20b#part c"},
    {"http://host/a#b?c d", "http://host/a#b?c d"},
    {"http://host/100%25 sure", "http://host/100%25%20sure"},
    {"ftp://host/pub/x y.cab", "ftp://host/pub/x%20y.cab"},
    {"http://host/caf\xe9 x", "http://host/caf\xe9%20x"},
    {"http://host/x.zip ", "http://host/x.zip%20"},
    {"", ""},
};

} // namespace

TEST(UrlEscape, PortableRuleEscapesOnlySpacesBeforeTheQuery)
{
    for (const auto& r : escape_rows) EXPECT_EQ(url_escape_spaces(r.link), r.escaped) << r.link;
}

TEST(UrlEscape, PlatformCallFollowsTheSameRule)
{
    for (const auto& r : escape_rows) EXPECT_EQ(escape_download_link(r.link), r.escaped) << r.link;
    // A link made only of spaces triples in length: the buffer grows.
    std::string spaces(300, ' '), expected;
    for (int i = 0; i < 300; ++i) expected += "%20";
    EXPECT_EQ(escape_download_link("http://h/" + spaces), "http://h/" + expected);
}
