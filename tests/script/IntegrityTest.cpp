#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "Cipher.h"
#include "HeadlessHost.h"
#include "Integrity.h"
#include "Paths.h"

namespace fs = std::filesystem;
using namespace parvel;

namespace {

class IntegrityTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("parvel-integrity-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        host.onEvent = [this](std::string_view l) { events.emplace_back(l); };
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string write(const std::string& name, std::string_view data) {
        std::ofstream f(dir / name, std::ios::binary);
        f.write(data.data(), static_cast<std::streamsize>(data.size()));
        return (dir / name).string();
    }
    static std::string bmpLike(size_t size) {
        std::string s(size, '\0');
        for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 31 + 7) % 256);
        s[0] = 'B';
        s[1] = 'M';
        return s;
    }
    fs::path dir;
    HeadlessHost host;
    std::vector<std::string> events;
};

}  // namespace

TEST(DigestText, HexWithoutLeadingZerosPaddedToEight) {
    EXPECT_EQ(digestText(0xCBF43926), "CBF43926");
    EXPECT_EQ(digestText(0x4CE5B), "4CE5B   ");
    EXPECT_EQ(digestText(0x0000ABCD), "ABCD    ");
    EXPECT_EQ(digestText(0), "0       ");
}

TEST_F(IntegrityTest, FileDigestIsTheStandardCrc32) {
    EXPECT_EQ(FileDigest(host, write("a.txt", "123456789")), "CBF43926");
    EXPECT_EQ(FileDigest(host, write("b.txt", "y602")), "4CE5B   ");
    EXPECT_EQ(FileDigest(host, write("empty.txt", "")), "0       ");
    EXPECT_EQ(FileDigest(host, (dir / "missing.txt").string()), "0       ");
    // Larger than one chunk, so the running CRC must carry across reads.
    std::string big(200000, 'q');
    big[150000] = 'r';
    const std::string path = write("big.txt", big);
    const std::string d = FileDigest(host, path);
    EXPECT_EQ(d.size(), 8u);
    big[150000] = 'q';
    EXPECT_NE(FileDigest(host, write("big2.txt", big)), d);
}

TEST_F(IntegrityTest, PreparedPictureIsThePlainPictureWithBlankTrailer) {
    const std::string digest = "1A2B3C4D";
    const std::string bmp = bmpLike(300);
    const std::string clp = encipherPicture(bmp, digest);
    ASSERT_EQ(clp.size(), 308u);
    EXPECT_EQ(clp.substr(40, 260), bmp.substr(40));
    EXPECT_EQ(DecipherScript(clp.substr(300)), digest);

    auto temp = PreparePicture(host, write("p.clP", clp), digest);
    ASSERT_TRUE(temp.has_value());
    EXPECT_EQ(temp->rfind(privateTempFolder(), 0), 0u);  // in the private folder
    const std::string name = fileNameOf(*temp);
    ASSERT_EQ(name.size(), 9u);
    for (int i = 0; i < 5; ++i) {
        EXPECT_GE(name[i], '1');
        EXPECT_LE(name[i], '8');
    }
    EXPECT_EQ(name.substr(5), ".tmp");
    auto data = readWholeFile(*temp);
    ASSERT_TRUE(data.has_value());
    EXPECT_EQ(*data, bmp + "        ");
    EXPECT_TRUE(events.empty());
    fs::remove(*temp);
}

TEST_F(IntegrityTest, PlantedCopyIsNeverWrittenThroughThePictureComesFromMemory) {
    const std::string digest = "1A2B3C4D";
    const std::string bmp = bmpLike(300);
    const std::string clp = write("p.clP", encipherPicture(bmp, digest));
    // The same seed draws the same copy name: plant a link to a victim there.
    HeadlessHost first(5), second(5);
    auto taken = PreparePlainPicture(first, clp, digest);
    ASSERT_TRUE(taken && taken->form == PreparedPicture::Form::Copy);
    fs::remove(taken->path);
    const std::string victim = write("victim.txt", "keep");
    fs::create_symlink(victim, taken->path);
    auto p = PreparePlainPicture(second, clp, digest);
    ASSERT_TRUE(p.has_value());
    EXPECT_EQ(p->form, PreparedPicture::Form::Memory);
    EXPECT_EQ(p->path, taken->path);  // the name messages show
    EXPECT_EQ(p->plain, bmp + "        ");
    EXPECT_EQ(*readWholeFile(victim), "keep");
    // A picture already held is only checked: same random draws, nothing read.
    HeadlessHost third(5);
    auto checked = PreparePlainPicture(third, clp, digest, false);
    ASSERT_TRUE(checked.has_value());
    EXPECT_EQ(checked->form, PreparedPicture::Form::Checked);
    EXPECT_EQ(third.random(), second.random());
    fs::remove(taken->path);
}

TEST_F(IntegrityTest, MismatchedDigestEndsTheProgram) {
    const std::string clp = encipherPicture(bmpLike(100), "AAAAAAAA");
    auto temp = PreparePicture(host, write("p.clP", clp), "AAAAAAAB");
    EXPECT_FALSE(temp.has_value());
    EXPECT_TRUE(host.quitting());
    EXPECT_EQ(events, std::vector<std::string>{
                          "msgbox: GAMEFILE AND IMAGES NOT VALID - Tampering suspected - QUITTING"});
}

TEST_F(IntegrityTest, EmptyOrMissingPicturesComeBackUnchanged) {
    const std::string empty = write("e.clP", "");
    EXPECT_EQ(PreparePicture(host, empty, "X       "), empty);
    const std::string missing = (dir / "none.clP").string();
    EXPECT_EQ(PreparePicture(host, missing, "X       "), missing);
    EXPECT_FALSE(host.quitting());
}

TEST_F(IntegrityTest, PictureTooShortForItsTrailerIsTampered) {
    (void)PreparePicture(host, write("s.clP", "BM12"), "0       ");
    EXPECT_TRUE(host.quitting());
}
