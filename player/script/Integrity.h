#pragma once
// Game data integrity: the digest of a game file, and enciphered pictures
// that only load beside the game file they were made for.
//
// Digest text: the CRC-32 (zlib/PNG polynomial) of the file's bytes in
// upper-case hexadecimal without leading zeros, padded with spaces to 8
// characters ("0" and seven spaces for an empty or missing file).
//
// Enciphered picture (".clP"), L bytes:
//   bytes 1..40       the first 40 bytes of a BMP file, through the script
//                     cipher (starting at keystream position 1)
//   bytes 41..L-8     the rest of the BMP file, unchanged
//   bytes L-7..L      the game file's digest text, through the cipher
//                     (again starting at keystream position 1)

#include <optional>
#include <string>
#include <string_view>

namespace parvel {

class Host;

std::string digestText(unsigned long crc);
std::string FileDigest(Host& host, std::string_view path);
// The same digest of bytes already read.
std::string BytesDigest(std::string_view bytes);

inline constexpr std::string_view kTamperMessage =
    "GAMEFILE AND IMAGES NOT VALID - Tampering suspected - QUITTING";

// The plain form of an enciphered picture, for the picture loader.
struct PreparedPicture {
    enum class Form {
        Source,   // `path` is the picture itself (empty or unreadable file)
        Copy,     // `path` is a plain copy in the private folder: delete it after loading
        Memory,   // no copy could be written: the plain bytes are in `plain`
        Checked,  // only checked; `path` is the name a copy would have had
    };
    Form form = Form::Source;
    std::string path;
    std::string plain;
};

// Checks the picture's stored digest against `gameDigest` and makes a plain
// copy in the run's private temporary folder (or, without one, in memory).
// The picture's own path comes back when the file is empty or unreadable.
// When the digest is not the game's the program ends (message box, then
// Host::quitNow) and the result is empty. With `needBytes` false only the
// check is made (for a picture the caller already holds decoded), at the same
// cost in random numbers and event passes. Failure messages name `path` in
// every form, as they named the copy.
std::optional<PreparedPicture> PreparePlainPicture(Host& host, std::string_view path,
                                                   std::string_view gameDigest,
                                                   bool needBytes = true);
// The same, giving the path of the plain copy only ("" when held in memory).
std::optional<std::string> PreparePicture(Host& host, std::string_view path,
                                          std::string_view gameDigest);

// The enciphered form of BMP bytes for a game file with digest `gameDigest`.
std::string encipherPicture(std::string_view bmp, std::string_view gameDigest);

}  // namespace parvel
