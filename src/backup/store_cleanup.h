#pragma once
// Which packages of the driver store the clean-up offers to remove: those
// that an installed newer package of the same maker's INF supersedes.
//
// Packages belong together when their original INF name, provider and
// class are the same (names and providers compared without regard to
// letter case; the class by GUID where both INFs give one, else by name).
// Within such a group a package is newer than another when its DriverVer
// date is later, or the dates are equal and its version greater (the
// order in which the program ranks offers as latest). A package is
// superseded when some package of its group is newer; two packages with
// the same date and version supersede neither.
//
// Never offered, whatever supersedes them:
// - a package a scanned device uses;
// - a package that was not published as "oemN.inf" (the system's own:
//   nothing can remove it);
// - a package of a class the machine needs to start and to be used at the
//   logon screen (boot_critical_class): a wrong guess there leaves a machine
//   that does not boot, which no freed space is worth;
// - a package on the ignore list: an entry whose version and date equal the
//   package's DriverVer and whose hardware ID the package's INF names. The
//   user said to keep that driver out of updates; its package stays where
//   it is too.
#include "app/ignored_offers.h"
#include "backup/store_listing.h"
#include "common/text.h"

#include <vector>

namespace tdu {

// A package that nothing supersedes is `newest`; a superseded one is
// offered (`superseded`) unless one of the other verdicts keeps it.
enum class cleanup_verdict_t {
    superseded,    // offered for removal
    newest,        // nothing of its group is newer
    in_use,        // a scanned device uses it
    not_published, // the system's own package
    boot_class,    // boot_critical_class
    ignored,       // on the ignore list
};

// The setup classes whose packages are never removed: System, Computer,
// Processor, HDC (disk controllers), SCSIAdapter (storage controllers),
// DiskDrive, Volume, FDC, Keyboard. Matched by GUID, else by class name
// (any letter case).
bool boot_critical_class(u16view class_name, u16view class_guid);

// Whether package `a` belongs with `b` (same original INF, provider, class).
bool same_package_line(const store_package_t& a, const store_package_t& b);

// Positive when `a` is newer than `b`, negative when older, 0 when date and
// version are equal.
int compare_package_age(const store_package_t& a, const store_package_t& b);

// Whether the ignore list holds the package (see above).
bool package_ignored(const store_package_t& package, const ignored_offers_t& ignored);

// The verdict of every package, in the same order.
std::vector<cleanup_verdict_t> cleanup_verdicts(const std::vector<store_package_t>& packages,
                                                const ignored_offers_t& ignored);

// The indices of the packages offered for removal, in listing order.
std::vector<size_t> cleanup_candidates(const std::vector<store_package_t>& packages, const ignored_offers_t& ignored);

// The word --list prints for a verdict ("superseded", "in use", ...).
const char* cleanup_verdict_text(cleanup_verdict_t verdict);

} // namespace tdu
