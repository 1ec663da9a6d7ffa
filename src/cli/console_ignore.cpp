#include "cli/console_ignore.h"

#include "common/text.h"

#include <regex>

namespace tdu {

namespace {

console_ignore_result_t usage_error(const std::string& why)
{
    return console_ignore_result_t{2, "", why + "\nusage: tdu-cli ignore --list | --add HWID VERSION DATE [TITLE] | "
                                                "--remove HWID VERSION DATE\n"};
}

// A date as the offers carry it: year-month-day with a two-digit month and day.
bool valid_date(const std::string& date)
{
    static const std::regex form(R"(\d{4}-\d{2}-\d{2})");
    return std::regex_match(date, form);
}

std::string entry_line(const ignored_offer_t& e)
{
    return utf16_to_utf8(e.hardware_id) + "\t" + utf16_to_utf8(e.version) + "\t" + utf16_to_utf8(e.date) + "\t" +
           utf16_to_utf8(e.title) + "\n";
}

} // namespace

console_ignore_result_t console_ignore(settings_store_t& store, app_settings_t& s,
                                       const std::vector<std::string>& args)
{
    if (args.empty()) return usage_error("ignore: say --list, --add or --remove");
    const std::string& action = args[0];
    if (action == "--list") {
        if (args.size() != 1) return usage_error("ignore --list takes no arguments");
        console_ignore_result_t result;
        for (const ignored_offer_t& e : s.ignored_offers) result.out += entry_line(e);
        return result;
    }
    const bool add = action == "--add";
    if (!add && action != "--remove") return usage_error("ignore: unknown action " + action);
    if (add ? (args.size() != 4 && args.size() != 5) : args.size() != 4)
        return usage_error(add ? "ignore --add takes HWID VERSION DATE [TITLE]" : "ignore --remove takes HWID VERSION DATE");
    if (args[1].empty()) return usage_error("ignore: the hardware ID is empty");
    if (!valid_date(args[3])) return usage_error("ignore: the date must read YYYY-MM-DD: " + args[3]);

    ignored_offer_t entry{utf8_to_utf16(args[1]), utf8_to_utf16(args[2]), utf8_to_utf16(args[3]),
                          args.size() == 5 ? utf8_to_utf16(args[4]) : u16()};
    ignored_offers_t list = s.ignored_offers;
    const bool changed = add ? ignore_offer(list, entry) : stop_ignoring_offer(list, entry);
    if (!changed) {
        if (add) return console_ignore_result_t{0, "already ignored: " + entry_line(entry), ""};
        return console_ignore_result_t{1, "", "not on the ignore list: " + args[1] + " " + args[2] + " " + args[3] + "\n"};
    }
    app_settings_t updated = s;
    updated.ignored_offers = std::move(list);
    if (!settings_save_ignored_offers(store, updated))
        return console_ignore_result_t{1, "", "the ignore list could not be saved in the user's settings\n"};
    s.ignored_offers = std::move(updated.ignored_offers);
    return console_ignore_result_t{0, (add ? "ignored: " : "no longer ignored: ") + entry_line(entry), ""};
}

} // namespace tdu
