#include <gtest/gtest.h>

#include "Cipher.h"
#include "HeadlessHost.h"

using namespace parvel;

namespace {
std::string bytes(std::initializer_list<int> v) {
    std::string s;
    for (int b : v) s.push_back(static_cast<char>(b));
    return s;
}
}  // namespace

// Values worked out from the keystream definition: the table holds the
// running sums of 1..255 (mod 256) plus one, 255 entries; its final sum 128
// seeds the transform, whose first keystream bytes are 167, 78, 82, 138.
TEST(DecipherScript, KnownAnswers) {
    EXPECT_EQ(DecipherScript("ABCDEFGH"), bytes({232, 16, 17, 202, 206, 74, 132, 249}));
    EXPECT_EQ(DecipherScript("[Setup]"), bytes({254, 29, 55, 250, 254, 100, 154}));
    EXPECT_EQ(DecipherScript(std::string(8, '\xFF')),
              bytes({90, 177, 173, 117, 120, 243, 60, 66}));
    EXPECT_EQ(DecipherScript(""), "");
}

TEST(DecipherScript, IsItsOwnInverseForCodes1To255) {
    std::string all;
    for (int r = 0; r < 4; ++r)
        for (int c = 1; c <= 255; ++c) all.push_back(static_cast<char>(c));
    const std::string once = DecipherScript(all);
    EXPECT_NE(once, all);
    EXPECT_EQ(once.size(), all.size());
    EXPECT_EQ(DecipherScript(once), all);
}

TEST(DecipherScript, KeepsTheLastKeyBeyondTheTable) {
    // Past the 255-entry table every byte meets the same key, 164.
    const std::string zeros(300, '\x01');
    const std::string out = DecipherScript(zeros);
    EXPECT_EQ(static_cast<unsigned char>(out[299]), (0 ^ 164) + 1);
    EXPECT_EQ(out[256], out[299]);
}

TEST(DecipherScript, NulBytesStayNul) {
    EXPECT_EQ(DecipherScript(std::string(8, '\0')), std::string(8, '\0'));
}

TEST(DecipherScript, LetsTheHostHandleInputInChunks) {
    HeadlessHost host;
    int handled = 0;
    for (int i = 1; i <= 10; ++i) host.schedule(0, [&] { ++handled; });
    EventPump pump(host, 1000);
    (void)DecipherScript(std::string(2500, 'x'), &pump);
    EXPECT_EQ(handled, 10);  // the first chunk boundary delivered all due input
}
