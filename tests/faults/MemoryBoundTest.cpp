// Pictures made to exhaust memory: huge valid BMPs and enciphered pictures
// named in every animation slot. Each game is played by `tavi play` in a
// child process, whose peak resident size the kernel reports.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "Encipher.h"
#include "TestFiles.h"

namespace fs = std::filesystem;

namespace {

class MemoryBound : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("parvel-memory-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    void write(const std::string& name, const std::string& data) {
        const fs::path p = dir / name;
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));
    }
    // A picture of w x h at `bits` per pixel, all rows zero.
    void picture(const std::string& name, int w, int h, int bits) {
        std::string b = parvel::testing::bmpHeader(w, h, bits);
        b.append(static_cast<size_t>((static_cast<std::int64_t>(w) * bits + 31) / 32 * 4 * h), '\0');
        write(name, b);
    }
    // Peak RSS in MiB of `tavi play GAME` over `input`; -1 when it failed.
    long peakMiB(const std::string& game, const std::string& input) {
        write("input.txt", input);
        const std::string tavi = std::string(PARVEL_BINARY_DIR) + "/tools/tavi/tavi";
        const std::string in = (dir / "input.txt").string();
        const pid_t pid = ::fork();
        if (pid == 0) {
            std::freopen("/dev/null", "w", stdout);
            ::execl(tavi.c_str(), "tavi", "play", game.c_str(), "--input", in.c_str(), nullptr);
            ::_exit(127);
        }
        int status = 0;
        rusage usage{};
        if (::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
            return -1;
        return usage.ru_maxrss / 1024;
    }
    std::string many(const std::string& name, int n) {
        std::string list;
        for (int i = 0; i < n; ++i) list += (i ? ", " : "") + name;
        return list;
    }

    fs::path dir;
};

TEST_F(MemoryBound, HugeValidPicturesAreRefusedNotDecodedEveryTick) {
    picture("pics/wide.bmp", 16384, 16384, 1);  // 32 MiB on disk, 1 GiB decoded
    picture("pics/tall.bmp", 16384, 4096, 4);   // 32 MiB on disk, 256 MiB decoded
    write("Gamefile.txt",
          parvel::testing::crlf("[Setup]\n@firstscene = A\n@imagedir = pics\n[A]\n@image = wide.bmp\n"
                                "@layeranim = tall.bmp\n@option1 = On\n@Link1 = A\n"));
    const long peak = peakMiB((dir / "Gamefile.txt").string(), "open\nclick\nwait 3\noption 1\nwait 3\n");
    EXPECT_GT(peak, 0);
    EXPECT_LT(peak, 512);
}

TEST_F(MemoryBound, EncipheredFramesAreDecodedOncePerFile) {
    picture("plain/pics/big.bmp", 16384, 16384, 1);  // refused, but read and checked
    picture("plain/pics/frame.bmp", 1024, 1024, 1);  // 4 MiB decoded, the most allowed
    picture("plain/pics/other.bmp", 1024, 1024, 1);
    write("plain/Gamefile.txt",
          parvel::testing::crlf("[Setup]\n@firstscene = A\n@imagedir = pics\n[A]\n@anim = " +
                                many("big.bmp", 12) + "\n@option1 = On\n@Link1 = B\n[B]\n@anim = " +
                                many("frame.bmp, other.bmp", 25) + "\n@layeranim = " +
                                many("frame.bmp", 50) + "\n@layeranim2 = " + many("other.bmp", 20) +
                                "\n"));
    ASSERT_TRUE(parvel::encipherGame((dir / "plain").string(), (dir / "enc").string()).ok());
    const long peak = peakMiB((dir / "enc" / "GameFile.Cgm").string(),
                              "open\nwait 2\nclick\nwait 1\noption 1\nwait 2\n");
    EXPECT_GT(peak, 0);
    // 120 slots of 4 MiB each would be 480 MiB; two distinct files are 8.
    EXPECT_LT(peak, 160);
}

}  // namespace
