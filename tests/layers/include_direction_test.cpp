// The layers of src/ include one way only. Every `#include "folder/..."` of
// every source file is checked against the one table below; a new folder
// has to be entered here before its files build into a passing suite.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Each layer and the layers it may include (besides itself), from the
// bottom up ("offers", the catalogue code the update service builds too,
// includes nothing of src/ and serves the service layer and above):
//   common <- app, system <- devices <- service <- packages <- backup
//   <- results <- program (the composition root) <- front ends
// The front ends (the window program's decisions, the window program, the
// console) include everything below them and never one another, except
// that the window program uses its own decisions.
//
// Inside the window program, from the bottom up:
//   ui/win (windows, messages, GDI holders) <- ui/skin (images, colours,
//   fonts, the owner-drawn buttons and the skinned frame) <- ui/controls
//   (child windows) <- ui/dialogs (modal boxes and dialogs) <- ui/views (the
//   main window's pages, which open dialogs) <- ui (the main window, the
//   tray, the program's start). ui/resources (ids, scripts) and ui/model
//   (the decisions, which name the menu commands by the scripts' ids) are
//   below all of them.
const std::set<std::string> core = {"common", "offers", "app", "system", "devices", "service", "packages", "backup", "results"};

std::set<std::string> with(std::set<std::string> base, std::initializer_list<std::string> more)
{
    base.insert(more.begin(), more.end());
    return base;
}

const std::map<std::string, std::set<std::string>> allowed = {
    {"common", {}},
    {"offers", {}},
    {"app", {"common"}},
    {"system", {"common"}},
    {"devices", {"common", "app", "system"}},
    {"service", {"common", "offers", "app", "system", "devices"}},
    {"packages", {"common", "offers", "app", "system", "devices", "service"}},
    {"backup", {"common", "offers", "app", "system", "devices", "service", "packages"}},
    {"results", {"common", "offers", "app", "system", "devices", "service", "packages", "backup"}},
    {"program", core},
    {"ui/model", with(core, {"ui/resources"})},
    {"ui/resources", {}},
    {"ui/win", {"common", "app", "system", "ui/model"}},
    {"ui/skin", {"common", "app", "system", "ui/model", "ui/win"}},
    {"ui/controls", {"common", "app", "system", "ui/model", "ui/win", "ui/skin"}},
    {"ui/dialogs", with(core, {"ui/model", "ui/resources", "ui/win", "ui/skin", "ui/controls"})},
    {"ui/views", with(core, {"ui/model", "ui/resources", "ui/win", "ui/skin", "ui/controls", "ui/dialogs"})},
    {"ui", with(core, {"program", "ui/model", "ui/resources", "ui/win", "ui/skin", "ui/controls", "ui/dialogs",
                       "ui/views"})},
    {"cli", with(core, {"program"})},
    {"updater", with(core, {"program", "ui/model", "ui/resources", "ui/win", "ui/skin", "ui/controls", "ui/dialogs",
                            "ui/views", "ui"})},
};

// The layer of a path relative to src/: its first folder, or for the window
// program its first two ("ui/model/score.h" is in "ui/model",
// "ui/main_window.h" in "ui").
std::string layer_of(const std::string& path)
{
    size_t slash = path.find('/');
    if (slash == std::string::npos) return std::string();
    std::string first = path.substr(0, slash);
    if (first != "ui") return first;
    size_t second = path.find('/', slash + 1);
    return second == std::string::npos ? first : path.substr(0, second);
}

struct include_t {
    std::string file;  // relative to src/
    int line;
    std::string target;  // as written
};

std::vector<include_t> includes_of(const fs::path& root)
{
    static const std::regex directive(R"re(^\s*#\s*include\s*"([^"]+/[^"]+)")re");
    std::vector<include_t> found;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file()) continue;
        std::string ext = entry.path().extension().string();
        if (ext != ".h" && ext != ".cpp" && ext != ".in" && ext != ".rc") continue;
        std::string file = fs::relative(entry.path(), root).generic_string();
        std::ifstream in(entry.path());
        int number = 0;
        for (std::string line; std::getline(in, line);) {
            ++number;
            std::smatch m;
            if (std::regex_search(line, m, directive)) found.push_back({file, number, m[1].str()});
        }
    }
    return found;
}

bool may_include(const std::string& from, const std::string& to)
{
    if (from == to) return true;
    auto it = allowed.find(from);
    return it != allowed.end() && it->second.count(to) != 0;
}

} // namespace

TEST(IncludeDirection, EveryFolderOfTheSourcesHasItsPlace)
{
    for (const auto& entry : fs::directory_iterator(fs::path(TDU_SOURCE_DIR) / "src")) {
        if (!entry.is_directory()) continue;
        std::string name = entry.path().filename().string();
        EXPECT_TRUE(allowed.count(name)) << "src/" << name << " is in no layer of this test's table";
    }
    for (const auto& entry : fs::directory_iterator(fs::path(TDU_SOURCE_DIR) / "src" / "ui")) {
        if (!entry.is_directory()) continue;
        std::string name = "ui/" + entry.path().filename().string();
        EXPECT_TRUE(allowed.count(name)) << "src/" << name << " is in no layer of this test's table";
    }
}

TEST(IncludeDirection, NoIncludeRunsBackUp)
{
    std::vector<include_t> includes = includes_of(fs::path(TDU_SOURCE_DIR) / "src");
    ASSERT_GT(includes.size(), 100u) << "the sources were not found";
    for (const include_t& inc : includes) {
        std::string from = layer_of(inc.file);
        std::string to = layer_of(inc.target);
        if (from.empty() || to.empty() || !allowed.count(to)) continue;  // a library's own header
        EXPECT_TRUE(may_include(from, to)) << "src/" << inc.file << ":" << inc.line << " includes \"" << inc.target
                                           << "\": " << from << " may not include " << to;
    }
}

TEST(IncludeDirection, TheCheckCatchesAnArrowBackUp)
{
    // The table itself: each rule the layers rely on, and its reverse.
    EXPECT_TRUE(may_include("devices", "app"));
    EXPECT_FALSE(may_include("app", "devices"));
    EXPECT_FALSE(may_include("app", "system"));
    EXPECT_FALSE(may_include("system", "app"));
    EXPECT_FALSE(may_include("devices", "service"));
    EXPECT_TRUE(may_include("service", "offers"));
    EXPECT_FALSE(may_include("offers", "common"));
    EXPECT_FALSE(may_include("devices", "offers"));
    EXPECT_TRUE(may_include("backup", "packages"));
    EXPECT_FALSE(may_include("packages", "backup"));
    EXPECT_FALSE(may_include("results", "program"));
    EXPECT_TRUE(may_include("ui/model", "results"));
    EXPECT_FALSE(may_include("ui/model", "ui"));
    EXPECT_FALSE(may_include("ui/model", "program"));
    EXPECT_TRUE(may_include("ui", "ui/model"));
    EXPECT_FALSE(may_include("cli", "ui"));
    EXPECT_FALSE(may_include("ui", "cli"));
    // The window program's own layers.
    EXPECT_TRUE(may_include("ui/skin", "ui/win"));
    EXPECT_FALSE(may_include("ui/win", "ui/skin"));
    EXPECT_FALSE(may_include("ui/skin", "ui/controls"));
    EXPECT_TRUE(may_include("ui/views", "ui/dialogs"));
    EXPECT_FALSE(may_include("ui/dialogs", "ui/views"));
    EXPECT_FALSE(may_include("ui/views", "ui"));
    EXPECT_FALSE(may_include("ui/views", "program"));
    EXPECT_TRUE(may_include("ui", "ui/views"));
    EXPECT_FALSE(may_include("ui/model", "ui/win"));
    EXPECT_EQ(layer_of("ui/model/score.h"), "ui/model");
    EXPECT_EQ(layer_of("ui/win/window.h"), "ui/win");
    EXPECT_EQ(layer_of("ui/main_window.h"), "ui");
    EXPECT_EQ(layer_of("gtest.h"), "");
}
