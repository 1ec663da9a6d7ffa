#pragma once
// The tick rules of the backup and restore views' check-box trees, over a
// plain copy of the tree: the view copies its items' boxes in, asks which
// boxes change after the user toggled one, and sets those boxes.
//
// Backup: a root ticks or clears all its packages; clearing a package (or a
// device under it) clears its root. Restore: at most one backup entry (a
// root) is ticked; ticking one clears every other.
#include <cstddef>
#include <vector>

namespace tdu {

constexpr size_t no_parent = static_cast<size_t>(-1);

// One item in tree order (parents before their children).
struct check_item_t {
    size_t parent = no_parent;  // index of the parent item; no_parent for a root
    bool has_box = true;        // device items carry no check box
    bool ticked = false;        // the box as it is now (after the user's toggle)
};

struct check_change_t {
    size_t item;
    bool ticked;
};

// The boxes to set after the user toggled `item` in the backup view.
std::vector<check_change_t> backup_tick_changes(const std::vector<check_item_t>& items, size_t item);

// The boxes to set after the user toggled `item` in the restore view.
std::vector<check_change_t> restore_tick_changes(const std::vector<check_item_t>& items, size_t item);

// `items` with `changes` applied.
void apply_check_changes(std::vector<check_item_t>& items, const std::vector<check_change_t>& changes);

// The ticked items that are children of a root (the backup view's
// packages), in tree order.
std::vector<size_t> ticked_packages(const std::vector<check_item_t>& items);

// The first ticked root in tree order (the restore view's entry), or
// no_parent when none is ticked.
size_t first_ticked_root(const std::vector<check_item_t>& items);

} // namespace tdu
