#include "Integrity.h"

#include <zlib.h>

#include <cstdio>
#include <fstream>

#include "Cipher.h"
#include "Host.h"
#include "Logging.h"
#include "Paths.h"
#include "Vb.h"

namespace parvel {

std::string digestText(unsigned long crc) {
    std::string hex = vb::Hex(static_cast<std::uint32_t>(crc));
    hex.resize(8, ' ');
    return hex;
}

std::string FileDigest(Host& host, std::string_view path) {
    uLong crc = crc32(0L, Z_NULL, 0);
    std::ifstream f(resolvePath(path), std::ios::binary);
    if (f) {
        // Chunks keep the window responsive without an event pass per byte.
        std::string buf(64 * 1024, '\0');
        while (f.read(buf.data(), static_cast<std::streamsize>(buf.size())) || f.gcount() > 0) {
            crc = crc32(crc, reinterpret_cast<const Bytef*>(buf.data()),
                        static_cast<uInt>(f.gcount()));
            host.processEvents();
        }
    }
    return digestText(crc);
}

std::string BytesDigest(std::string_view bytes) {
    return digestText(crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(bytes.data()),
                            static_cast<uInt>(bytes.size())));
}

std::string encipherPicture(std::string_view bmp, std::string_view gameDigest) {
    const size_t headLen = std::min<size_t>(40, bmp.size());
    std::string out = DecipherScript(bmp.substr(0, headLen));
    out.append(bmp.substr(headLen));
    out += DecipherScript(gameDigest.substr(0, 8));
    return out;
}

std::optional<PreparedPicture> PreparePlainPicture(Host& host, std::string_view path,
                                                   std::string_view gameDigest, bool needBytes) {
    const std::string source = resolvePath(path);
    std::string head, tail;
    long long length = 0;
    {
        std::ifstream f(source, std::ios::binary | std::ios::ate);
        if (f) {
            length = static_cast<long long>(f.tellg());
            if (length < 0) length = 0;
            head.resize(static_cast<size_t>(std::min<long long>(40, length)));
            f.seekg(0);
            f.read(head.data(), static_cast<std::streamsize>(head.size()));
            // A file shorter than its trailer has no digest to read.
            if (length >= 8) {
                tail.resize(8);
                f.seekg(length - 8);
                f.read(tail.data(), 8);
            }
        }
    }
    using Form = PreparedPicture::Form;
    if (length == 0) return PreparedPicture{Form::Source, std::string(path), {}};

    if (DecipherScript(tail) != gameDigest) {
        host.messageBox(kTamperMessage, MsgButtons::Ok);
        host.quitNow();
        return std::nullopt;
    }
    const std::string plainHead = DecipherScript(head);

    // The copy's name is drawn from the run's random numbers whether or not
    // a copy is written, so games play the same either way.
    std::string name;
    for (int i = 0; i < 5; ++i) name += static_cast<char>('1' + static_cast<int>(host.random() * 8));

    const std::string folder = privateTempFolder();
    const std::string temp = folder + name + ".tmp";
    std::string data;
    if (needBytes) {
        if (auto d = readWholeFile(source)) data = std::move(*d);
    }
    host.processEvents();
    if (!needBytes) return PreparedPicture{Form::Checked, temp, {}};
    if (data.size() >= plainHead.size()) data.replace(0, plainHead.size(), plainHead);
    if (data.size() >= 8) data.replace(data.size() - 8, 8, "        ");

    if (!folder.empty() && writeNewPrivateFile(temp, data)) return PreparedPicture{Form::Copy, temp, {}};
    static bool warned = false;
    if (!warned) {
        warned = true;
        qCWarning(lcScript) << "cannot write a private copy of an enciphered picture (tried "
                               "$TMPDIR, /tmp, $XDG_RUNTIME_DIR and the settings folder); "
                               "enciphered pictures are deciphered in memory";
    }
    return PreparedPicture{Form::Memory, temp, std::move(data)};
}

std::optional<std::string> PreparePicture(Host& host, std::string_view path,
                                          std::string_view gameDigest) {
    auto p = PreparePlainPicture(host, path, gameDigest);
    if (!p) return std::nullopt;
    return p->form == PreparedPicture::Form::Memory ? std::string() : p->path;
}

}  // namespace parvel
