#include "library/merge_list.h"

#include <gtest/gtest.h>

using library::MergeList;

TEST(MergeList, KeepsFullPathsInTheirOrderThroughMovesAndRemovals)
{
    MergeList list;
    list.add("/a/one.mp4");
    EXPECT_FALSE(list.canMerge());
    list.add("/b/one.mp4"); // the same name from another folder stays apart
    list.add("/a/one.mp4");
    EXPECT_TRUE(list.canMerge());
    EXPECT_EQ(list.move(0, -1), 0); // at the edge: stays
    EXPECT_EQ(list.move(0, 1), 1);
    EXPECT_EQ(list.paths(), (std::vector<std::string>{"/b/one.mp4", "/a/one.mp4", "/a/one.mp4"}));
    EXPECT_EQ(list.move(5, 1), -1);
    EXPECT_FALSE(list.canMoveDown(2));
    EXPECT_TRUE(list.canMoveUp(2));
    EXPECT_TRUE(list.remove(0));
    EXPECT_FALSE(list.remove(2));
    EXPECT_EQ(list.paths(), (std::vector<std::string>{"/a/one.mp4", "/a/one.mp4"}));
}
