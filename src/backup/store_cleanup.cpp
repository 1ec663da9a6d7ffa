#include "backup/store_cleanup.h"

#include "common/ignore_case.h"
#include "service/offer_ranking.h"

namespace tdu {
namespace {

struct boot_class_t {
    const char16_t* name;
    const char16_t* guid;
};

constexpr boot_class_t boot_classes[] = {
    {u"System", u"{4D36E97D-E325-11CE-BFC1-08002BE10318}"},
    {u"Computer", u"{4D36E966-E325-11CE-BFC1-08002BE10318}"},
    {u"Processor", u"{50127DC3-0F36-415E-A6CC-4CB3BE910B65}"},
    {u"HDC", u"{4D36E96A-E325-11CE-BFC1-08002BE10318}"},
    {u"SCSIAdapter", u"{4D36E97B-E325-11CE-BFC1-08002BE10318}"},
    {u"DiskDrive", u"{4D36E967-E325-11CE-BFC1-08002BE10318}"},
    {u"Volume", u"{71A27CDD-812A-11D0-BEC7-08002BE2092F}"},
    {u"FDC", u"{4D36E969-E325-11CE-BFC1-08002BE10318}"},
    {u"Keyboard", u"{4D36E96B-E325-11CE-BFC1-08002BE10318}"},
};

bool same_class(const store_package_t& a, const store_package_t& b)
{
    if (!a.class_guid.empty() && !b.class_guid.empty()) return equals_ignore_case(a.class_guid, b.class_guid);
    return equals_ignore_case(a.class_name, b.class_name);
}

} // namespace

bool boot_critical_class(u16view class_name, u16view class_guid)
{
    for (const boot_class_t& c : boot_classes) {
        if (!class_guid.empty() && equals_ignore_case(class_guid, c.guid)) return true;
        if (!class_name.empty() && equals_ignore_case(class_name, c.name)) return true;
    }
    return false;
}

bool same_package_line(const store_package_t& a, const store_package_t& b)
{
    return equals_ignore_case(a.original_name, b.original_name) && equals_ignore_case(a.provider, b.provider) &&
           same_class(a, b);
}

int compare_package_age(const store_package_t& a, const store_package_t& b)
{
    // Dates are "yyyy-mm-dd": text order is date order. An INF without a
    // readable date is older than any with one.
    if (a.driver_date != b.driver_date) return a.driver_date > b.driver_date ? 1 : -1;
    if (compare_versions(a.driver_version, b.driver_version)) return 1;
    if (compare_versions(b.driver_version, a.driver_version)) return -1;
    return 0;
}

bool package_ignored(const store_package_t& package, const ignored_offers_t& ignored)
{
    for (const u16& id : package.hardware_ids)
        if (offer_ignored(ignored, id, package.driver_version, package.driver_date)) return true;
    return false;
}

std::vector<cleanup_verdict_t> cleanup_verdicts(const std::vector<store_package_t>& packages,
                                                const ignored_offers_t& ignored)
{
    std::vector<cleanup_verdict_t> verdicts;
    verdicts.reserve(packages.size());
    for (const store_package_t& package : packages) {
        cleanup_verdict_t verdict = cleanup_verdict_t::newest;
        for (const store_package_t& other : packages) {
            if (&other != &package && same_package_line(package, other) && compare_package_age(other, package) > 0) {
                verdict = cleanup_verdict_t::superseded;
                break;
            }
        }
        // Why a superseded package stays, in this order.
        if (verdict == cleanup_verdict_t::superseded) {
            if (!is_published_package(package))
                verdict = cleanup_verdict_t::not_published;
            else if (package.in_use)
                verdict = cleanup_verdict_t::in_use;
            else if (boot_critical_class(package.class_name, package.class_guid))
                verdict = cleanup_verdict_t::boot_class;
            else if (package_ignored(package, ignored))
                verdict = cleanup_verdict_t::ignored;
        }
        verdicts.push_back(verdict);
    }
    return verdicts;
}

std::vector<size_t> cleanup_candidates(const std::vector<store_package_t>& packages, const ignored_offers_t& ignored)
{
    std::vector<size_t> indices;
    std::vector<cleanup_verdict_t> verdicts = cleanup_verdicts(packages, ignored);
    for (size_t i = 0; i < verdicts.size(); ++i)
        if (verdicts[i] == cleanup_verdict_t::superseded) indices.push_back(i);
    return indices;
}

const char* cleanup_verdict_text(cleanup_verdict_t verdict)
{
    switch (verdict) {
    case cleanup_verdict_t::superseded: return "superseded";
    case cleanup_verdict_t::newest: return "newest";
    case cleanup_verdict_t::in_use: return "in use";
    case cleanup_verdict_t::not_published: return "system package";
    case cleanup_verdict_t::boot_class: return "boot class";
    case cleanup_verdict_t::ignored: return "ignored";
    }
    return "";
}

} // namespace tdu
