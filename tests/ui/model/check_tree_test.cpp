// The tick rules of the backup and restore trees.
#include "ui/model/check_tree.h"

#include <gtest/gtest.h>

using namespace tdu;

namespace {

// The backup tree: available root 0 with packages 1 and 3 (device 2 under
// package 1), inbox root 4 with package 5.
std::vector<check_item_t> backup_tree()
{
    return {
        {no_parent, true, false}, {0, true, false}, {1, false, false},
        {0, true, false},         {no_parent, true, false}, {4, true, false},
    };
}

std::vector<bool> ticks(const std::vector<check_item_t>& items)
{
    std::vector<bool> out;
    for (const auto& i : items) out.push_back(i.ticked);
    return out;
}

// The user toggles `item`; the view then applies the rule's changes.
void toggle(std::vector<check_item_t>& items, size_t item, bool backup)
{
    items[item].ticked = !items[item].ticked;
    apply_check_changes(items, backup ? backup_tick_changes(items, item) : restore_tick_changes(items, item));
}

} // namespace

TEST(CheckTree, BackupRootTicksAndClearsOnlyItsOwnPackages)
{
    auto items = backup_tree();
    toggle(items, 0, true);
    EXPECT_EQ(ticks(items), (std::vector<bool>{true, true, false, true, false, false}))
        << "packages of the root ticked, the device (no box) and the other root's package untouched";
    EXPECT_EQ(ticked_packages(items), (std::vector<size_t>{1, 3}));

    toggle(items, 0, true);
    EXPECT_EQ(ticks(items), (std::vector<bool>(6, false)));
    EXPECT_TRUE(ticked_packages(items).empty());
}

TEST(CheckTree, BackupClearingAPackageClearsItsRootOnly)
{
    auto items = backup_tree();
    toggle(items, 0, true);
    toggle(items, 4, true);
    toggle(items, 3, true);  // clear one package of the available root
    EXPECT_EQ(ticks(items), (std::vector<bool>{false, true, false, false, true, true}));
    EXPECT_EQ(ticked_packages(items), (std::vector<size_t>{1, 5})) << "tree order: available before inbox";

    // Ticking a package never ticks its root.
    toggle(items, 3, true);
    EXPECT_FALSE(items[0].ticked);
}

TEST(CheckTree, BackupOutOfRangeItemChangesNothing)
{
    auto items = backup_tree();
    EXPECT_TRUE(backup_tick_changes(items, 99).empty());
    EXPECT_TRUE(restore_tick_changes(items, 99).empty());
}

TEST(CheckTree, RestoreKeepsAtMostOneEntryTicked)
{
    // Three entries, each with one device child.
    std::vector<check_item_t> items = {{no_parent, true, false}, {0, false, false}, {no_parent, true, false},
                                       {2, false, false},        {no_parent, true, false}, {4, false, false}};
    EXPECT_EQ(first_ticked_root(items), no_parent);
    toggle(items, 2, false);
    EXPECT_EQ(first_ticked_root(items), 2u);
    toggle(items, 4, false);
    EXPECT_EQ(ticks(items), (std::vector<bool>{false, false, false, false, true, false}));
    EXPECT_EQ(first_ticked_root(items), 4u);
    // Clearing the ticked one leaves none ticked and changes nothing else.
    toggle(items, 4, false);
    EXPECT_EQ(first_ticked_root(items), no_parent);
    EXPECT_EQ(ticks(items), std::vector<bool>(6, false));
}
