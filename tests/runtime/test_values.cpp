#include <gtest/gtest.h>

#include <cmath>

#include "runtime/values.h"

using namespace tw;

TEST(Random, SameSeedSameSequenceDifferentSeedDiffers) {
    random_seed(42);
    std::vector<int> a, b, c;
    for (int k = 0; k < 20; ++k) a.push_back(tw::random(1000));
    random_seed(42);
    for (int k = 0; k < 20; ++k) b.push_back(tw::random(1000));
    random_seed(43);
    for (int k = 0; k < 20; ++k) c.push_back(tw::random(1000));
    EXPECT_EQ(a, b);
    EXPECT_NE(a[0], c[0]);
}

TEST(Random, ZeroMaxAdvancesNegativeMaxDoesNot) {
    random_seed(7);
    int first = tw::random(1000000);
    random_seed(7);
    EXPECT_EQ(tw::random(0), 0);
    int second = tw::random(1000000);
    EXPECT_NE(first, second);  // random(0) consumed a step
    random_seed(7);
    EXPECT_EQ(tw::random(-1), INT32_MIN);
    EXPECT_EQ(tw::random(1000000), first);  // a negative max consumed nothing
}

TEST(Nearest, HalvesToEvenAndOutOfRange) {
    EXPECT_EQ(nearest(2.5), 2);
    EXPECT_EQ(nearest(3.5), 4);
    EXPECT_EQ(nearest(-2.5), -2);
    EXPECT_EQ(nearest(10.6667), 11);
    EXPECT_EQ(nearest(std::nan("")), INT32_MIN);
    EXPECT_EQ(nearest(1e12), INT32_MIN);
}

TEST(Texts, ConversionsAndSearch) {
    EXPECT_EQ(text_to_int(" 12abc"), 12);
    EXPECT_EQ(text_to_int(" -7"), -7);
    EXPECT_EQ(text_to_int("abc"), 0);
    EXPECT_EQ(text_to_int("4294967297"), 1);  // wraps in 32 bits
    EXPECT_EQ(text_find("abcabc", "bc", 3), 5);
    EXPECT_EQ(text_find("abc", "", 1), 0);
    EXPECT_EQ(text_mid("hello", 0, 2), "he");
    EXPECT_EQ(text_left("hello", -1), "");
    EXPECT_EQ(file_part("a\\b/c.png"), "c.png");
    EXPECT_FLOAT_EQ(text_to_float(" 1.5e1x"), 15.0f);
    EXPECT_FLOAT_EQ(text_to_float("0x10"), 0.0f);
    EXPECT_TRUE(text_greater("a", ""));
    EXPECT_FALSE(text_greater("", ""));
}

TEST(Lists, CursorSemantics) {
    List<int> l;
    *list_add(l) = 1;
    EXPECT_EQ(list_index(l), 0);
    *list_add(l) = 2;
    list_reset(l);
    *list_add(l) = 0;  // no current element: goes to the front
    EXPECT_EQ(l.items, (std::vector<int>{0, 1, 2}));
    list_select(l, 0);
    list_delete(l);
    EXPECT_EQ(list_index(l), -1);
    EXPECT_EQ(*list_next(l), 1);
}
