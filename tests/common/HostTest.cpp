#include <gtest/gtest.h>

#include <vector>

#include "HeadlessHost.h"

using namespace parvel;

TEST(HeadlessHost, WaitJumpsToDeadlineDeliveringInputOnTheWay) {
    HeadlessHost host;
    std::vector<Micros> seen;
    host.schedule(300, [&] { seen.push_back(host.now()); });
    host.schedule(100, [&] { seen.push_back(host.now()); });
    host.schedule(5000, [&] { seen.push_back(host.now()); });
    host.waitUntil(1000);  // returns once input has been handled
    EXPECT_EQ(host.now(), 100);
    EXPECT_EQ(seen, (std::vector<Micros>{100}));
    sleepUntil(host, 1000);
    EXPECT_EQ(host.now(), 1000);
    EXPECT_EQ(seen, (std::vector<Micros>{100, 300}));
    host.processEvents();  // nothing else is due yet
    EXPECT_EQ(seen.size(), 2u);
    sleepUntil(host, 5000);
    EXPECT_EQ(seen.back(), 5000);
}

TEST(HeadlessHost, InputThatWaitsFinishesBeforeTheNextIsDelivered) {
    HeadlessHost host;
    std::vector<int> order;
    host.schedule(10, [&] {
        order.push_back(1);
        sleepUntil(host, 50);  // a handler that waits, like a game loading
        order.push_back(2);
    });
    host.schedule(20, [&] { order.push_back(3); });
    sleepUntil(host, 100);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(host.now(), 100);
}

TEST(HeadlessHost, RandomIsDeterministicPerSeedAndInRange) {
    HeadlessHost a(7), b(7), c(8);
    bool differs = false;
    for (int i = 0; i < 1000; ++i) {
        const double x = a.random();
        EXPECT_EQ(x, b.random());
        EXPECT_GE(x, 0.0);
        EXPECT_LT(x, 1.0);
        differs |= x != c.random();
    }
    EXPECT_TRUE(differs);
}

TEST(HeadlessHost, MessageBoxesAndTitlesBecomeEventLines) {
    HeadlessHost host;
    std::vector<std::string> lines;
    host.onEvent = [&](std::string_view l) { lines.emplace_back(l); };
    host.setTitle("Loading...");
    host.queueAnswer(MsgAnswer::No);
    EXPECT_EQ(host.messageBox("Continue?", MsgButtons::YesNo), MsgAnswer::No);
    EXPECT_EQ(host.messageBox("Again?", MsgButtons::YesNo), MsgAnswer::Yes);
    EXPECT_EQ(host.messageBox("Note", MsgButtons::Ok), MsgAnswer::Ok);
    EXPECT_EQ(lines, (std::vector<std::string>{"title: Loading...", "msgbox: Continue?",
                                               "msgbox: Again?", "msgbox: Note"}));
    EXPECT_EQ(host.title(), "Loading...");
}
