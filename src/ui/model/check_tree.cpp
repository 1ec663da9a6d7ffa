#include "ui/model/check_tree.h"

namespace tdu {

namespace {

size_t root_of(const std::vector<check_item_t>& items, size_t item)
{
    size_t at = item;
    // Parents come before children, so this ends; the bound keeps a broken
    // copy from looping.
    for (size_t steps = 0; steps <= items.size() && items[at].parent != no_parent; ++steps) {
        if (items[at].parent >= items.size()) return at;
        at = items[at].parent;
    }
    return at;
}

} // namespace

std::vector<check_change_t> backup_tick_changes(const std::vector<check_item_t>& items, size_t item)
{
    std::vector<check_change_t> changes;
    if (item >= items.size()) return changes;
    const check_item_t& clicked = items[item];
    if (clicked.parent == no_parent) {
        // A root: every package under it takes the root's state.
        for (size_t i = item + 1; i < items.size(); ++i)
            if (items[i].parent == item && items[i].has_box && items[i].ticked != clicked.ticked)
                changes.push_back({i, clicked.ticked});
        return changes;
    }
    if (!clicked.ticked) {
        size_t root = root_of(items, item);
        if (root != item && items[root].ticked) changes.push_back({root, false});
    }
    return changes;
}

std::vector<check_change_t> restore_tick_changes(const std::vector<check_item_t>& items, size_t item)
{
    std::vector<check_change_t> changes;
    if (item >= items.size() || !items[item].ticked) return changes;
    for (size_t i = 0; i < items.size(); ++i)
        if (i != item && items[i].parent == no_parent && items[i].ticked) changes.push_back({i, false});
    return changes;
}

void apply_check_changes(std::vector<check_item_t>& items, const std::vector<check_change_t>& changes)
{
    for (const check_change_t& c : changes)
        if (c.item < items.size()) items[c.item].ticked = c.ticked;
}

std::vector<size_t> ticked_packages(const std::vector<check_item_t>& items)
{
    std::vector<size_t> out;
    for (size_t i = 0; i < items.size(); ++i) {
        const check_item_t& it = items[i];
        if (it.parent != no_parent && it.parent < items.size() && items[it.parent].parent == no_parent &&
            it.has_box && it.ticked)
            out.push_back(i);
    }
    return out;
}

size_t first_ticked_root(const std::vector<check_item_t>& items)
{
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].parent == no_parent && items[i].has_box && items[i].ticked) return i;
    return no_parent;
}

} // namespace tdu
