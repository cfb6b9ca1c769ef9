#pragma once

#include <string>

// Script text with LF line ends written as CR LF, the way game files are.
inline std::string crlf(std::string_view s) {
    std::string out;
    for (char c : s) {
        if (c == '\n') out += "\r\n";
        else out.push_back(c);
    }
    return out;
}
