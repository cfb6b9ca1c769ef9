#include <gtest/gtest.h>

#include "MergeDirty.h"

using namespace parvel::render;
using spotter::MergeDirty;

namespace {

DirtyRects make(std::initializer_list<Rect> rects) {
    DirtyRects d;
    for (const Rect& r : rects) d.add(r);
    return d;
}

}  // namespace

TEST(MergeDirty, TwoOrFewerSlotsStayAsTheyAre) {
    auto d = make({{0, 0, 10, 10}, {5, 5, 15, 15}});
    MergeDirty(d);
    ASSERT_EQ(d.last(), 2u);
    EXPECT_EQ(d[1], (Rect{0, 0, 10, 10}));
    EXPECT_EQ(d[2], (Rect{5, 5, 15, 15}));
}

TEST(MergeDirty, OverlappingSlotsBecomeTheirBoundingBox) {
    auto d = make({{0, 0, 100, 100}, {10, 10, 30, 30}, {20, 25, 40, 35}});
    MergeDirty(d);
    ASSERT_EQ(d.last(), 3u);
    EXPECT_EQ(d[1], (Rect{0, 0, 100, 100}));  // slot 1 takes no part
    EXPECT_EQ(d[2], (Rect{10, 10, 40, 35}));
    EXPECT_EQ(d[3], (Rect{0, 0, 0, 0}));
}

TEST(MergeDirty, TouchingSlotsAreNotMerged) {
    auto d = make({{0, 0, 1, 1}, {10, 10, 30, 30}, {30, 10, 50, 30}, {10, 30, 30, 50}});
    MergeDirty(d);
    EXPECT_EQ(d[2], (Rect{10, 10, 30, 30}));
    EXPECT_EQ(d[3], (Rect{30, 10, 50, 30}));
    EXPECT_EQ(d[4], (Rect{10, 30, 30, 50}));
}

TEST(MergeDirty, DisjointSlotsStay) {
    auto d = make({{0, 0, 1, 1}, {0, 0, 5, 5}, {100, 100, 110, 110}, {50, 0, 60, 5}});
    MergeDirty(d);
    EXPECT_EQ(d[2], (Rect{0, 0, 5, 5}));
    EXPECT_EQ(d[3], (Rect{100, 100, 110, 110}));
    EXPECT_EQ(d[4], (Rect{50, 0, 60, 5}));
}

TEST(MergeDirty, ContainedSlotIsAbsorbed) {
    auto d = make({{0, 0, 1, 1}, {12, 12, 14, 14}, {10, 10, 20, 20}});
    MergeDirty(d);
    EXPECT_EQ(d[2], (Rect{10, 10, 20, 20}));
    EXPECT_EQ(d[3], (Rect{0, 0, 0, 0}));
}

TEST(MergeDirty, GrowingBoxPicksUpLaterOverlaps) {
    // Slot 2 absorbs 3, and the grown box then reaches 4, which it did not
    // touch at first.
    auto d = make({{0, 0, 1, 1}, {0, 0, 10, 10}, {5, 5, 20, 20}, {15, 15, 30, 30}});
    MergeDirty(d);
    EXPECT_EQ(d[2], (Rect{0, 0, 30, 30}));
    EXPECT_EQ(d[3], (Rect{0, 0, 0, 0}));
    EXPECT_EQ(d[4], (Rect{0, 0, 0, 0}));
}

TEST(MergeDirty, SlotsWithRightEdgeZeroAreSkipped) {
    auto d = make({{0, 0, 1, 1}, {-5, 0, 0, 10}, {-10, 0, 5, 10}});
    MergeDirty(d);
    EXPECT_EQ(d[2], (Rect{-5, 0, 0, 10}));
    EXPECT_EQ(d[3], (Rect{-10, 0, 5, 10}));
}

TEST(MergeDirty, TenSlotsAreMergedElevenBecomeTheWholePicture) {
    DirtyRects ten;
    for (int i = 0; i < 10; ++i) ten.add({i * 20, 0, i * 20 + 5, 5});
    MergeDirty(ten);
    EXPECT_EQ(ten.last(), 10u);
    DirtyRects eleven;
    for (int i = 0; i < 11; ++i) eleven.add({i * 20, 0, i * 20 + 5, 5});
    MergeDirty(eleven);
    ASSERT_EQ(eleven.last(), 1u);
    EXPECT_EQ(eleven[1], FullFrameRect);
}
