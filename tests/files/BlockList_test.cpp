#include "BlockList.h"

#include <gtest/gtest.h>
#include <random>

// Random inserts and removals anywhere, checked against a plain vector, with blocks of 4 so that
// blocks split and empty often.
TEST(BlockList, BehavesAsAVectorAcrossBlocks)
{
    TBlockList<int, 4> list;
    std::vector<int> expected;
    std::mt19937 random(5);
    for (int step = 0; step < 3000; ++step) {
        const bool take = !expected.empty() && random() % 3 == 0;
        const int index = int(random() % unsigned(expected.size() + (take ? 0 : 1)));
        if (take) {
            ASSERT_EQ(list.Take(index), expected[std::size_t(index)]);
            expected.erase(expected.begin() + index);
        } else {
            list.Insert(index, step);
            expected.insert(expected.begin() + index, step);
        }
        ASSERT_EQ(list.Count(), int(expected.size()));
    }
    for (int i = 0; i < list.Count(); ++i)
        ASSERT_EQ(list[i], expected[std::size_t(i)]);
    list.Resize(5);
    EXPECT_EQ(list.Count(), 5);
    EXPECT_EQ(list[4], expected[4]);
    std::vector<int> all = list.TakeAll();
    EXPECT_EQ(all, std::vector<int>(expected.begin(), expected.begin() + 5));
    EXPECT_EQ(list.Count(), 0);
}

TEST(BlockList, FirstWhereFindsTheBoundary)
{
    TBlockList<int, 4> list;
    EXPECT_EQ(list.FirstWhere([](int, int) { return true; }), 0);
    std::vector<int> values;
    for (int i = 0; i < 50; ++i)
        values.push_back(i * 2);
    list.Assign(std::vector<int>(values));
    for (int wanted = -1; wanted <= 100; ++wanted) {
        const int index = list.FirstWhere([&](int value, int) { return value >= wanted; });
        const auto it = std::lower_bound(values.begin(), values.end(), wanted);
        ASSERT_EQ(index, int(it - values.begin())) << wanted;
    }
    // The index handed to the test is the item's own.
    EXPECT_EQ(list.FirstWhere([](int value, int index) { return value == 2 * index && index >= 17; }), 17);
}

// Growing and shrinking at the end mixed with inserts, removals and reads anywhere.
TEST(BlockList, ResizeMixesWithInsertsAndRemovals)
{
    TBlockList<int, 4> list;
    std::vector<int> expected;
    std::mt19937 random(9);
    for (int step = 0; step < 3000; ++step) {
        switch (random() % 4) {
        case 0: {
            const int count = int(random() % 40);
            list.Resize(count);
            expected.resize(std::size_t(count));
            break;
        }
        case 1: {
            const int index = int(random() % unsigned(expected.size() + 1));
            list.Insert(index, step);
            expected.insert(expected.begin() + index, step);
            break;
        }
        default:
            if (!expected.empty()) {
                const int index = int(random() % unsigned(expected.size()));
                ASSERT_EQ(list.Take(index), expected[std::size_t(index)]);
                expected.erase(expected.begin() + index);
            }
        }
        ASSERT_EQ(list.Count(), int(expected.size()));
        for (int i = 0; i < list.Count(); ++i)
            ASSERT_EQ(list[i], expected[std::size_t(i)]) << "step " << step;
    }
}
