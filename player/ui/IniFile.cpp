#include "IniFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "Paths.h"
#include "UiLog.h"
#include "Vb.h"

namespace parvel::ui {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

// One physical line: [begin, end) is its text, `next` where the following
// line starts (after CR LF, LF or a lone CR).
struct Line {
    std::size_t begin, end, next;
};

template <class F>
void forEachLine(std::string_view text, F f) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        std::size_t next;
        if (end == std::string_view::npos) {
            end = next = text.size();
        } else if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') {
            next = end + 2;
        } else {
            next = end + 1;
        }
        if (!f(Line{pos, end, next})) return;
        pos = next;
    }
}

// The section name of a "[name]" line, if it is one.
std::optional<std::string_view> sectionName(std::string_view line) {
    line = trimBlanks(line);
    if (line.empty() || line.front() != '[') return std::nullopt;
    const auto close = line.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return trimBlanks(line.substr(1, close - 1));
}

std::optional<std::string_view> keyName(std::string_view line) {
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    return trimBlanks(line.substr(0, eq));
}

}  // namespace

std::string iniLookup(std::string_view text, std::string_view section, std::string_view key) {
    bool inSection = false;
    std::string result;
    forEachLine(text, [&](Line l) {
        const std::string_view line = text.substr(l.begin, l.end - l.begin);
        if (auto name = sectionName(line)) {
            inSection = vb::equalsNoCase(*name, section);
            return true;
        }
        if (!inSection) return true;
        auto name = keyName(line);
        if (!name || !vb::equalsNoCase(*name, key)) return true;
        std::string_view value = trimBlanks(line.substr(line.find('=') + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        result = std::string(value.substr(0, kIniValueLimit));
        return false;
    });
    return result;
}

std::string iniUpdate(std::string_view text, std::string_view section, std::string_view key,
                      std::string_view value) {
    const std::string newLine = std::string(key) + "=" + std::string(value);
    bool inSection = false;
    bool sectionSeen = false;
    std::size_t insertAt = std::string_view::npos;  // after the section's last non-blank line
    std::optional<Line> existing;
    forEachLine(text, [&](Line l) {
        const std::string_view line = text.substr(l.begin, l.end - l.begin);
        if (auto name = sectionName(line)) {
            if (sectionSeen && inSection) return false;  // section ended
            inSection = vb::equalsNoCase(*name, section);
            if (inSection) {
                sectionSeen = true;
                insertAt = l.next;
            }
            return true;
        }
        if (!inSection) return true;
        if (!trimBlanks(line).empty()) insertAt = l.next;
        if (auto name = keyName(line); name && vb::equalsNoCase(*name, key)) {
            existing = l;
            return false;
        }
        return true;
    });

    std::string out(text);
    if (existing) {
        out.replace(existing->begin, existing->end - existing->begin, newLine);
        return out;
    }
    if (sectionSeen) {
        // The section's last line may lack a line end when it ends the file.
        std::string insert = newLine + "\r\n";
        if (insertAt == out.size() && !out.empty() && out.back() != '\n' && out.back() != '\r')
            insert = "\r\n" + newLine;
        out.insert(insertAt, insert);
        return out;
    }
    if (!out.empty() && out.back() != '\n' && out.back() != '\r') out += "\r\n";
    out += "[" + std::string(section) + "]\r\n" + newLine + "\r\n";
    return out;
}

std::optional<std::string> readIniText(const std::string& file) {
    // Folders and devices are not settings files (and have no size to read).
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) return std::nullopt;
    return readWholeFile(file);
}

std::string ReadIniValue(const std::string& file, std::string_view key, std::string_view section) {
    auto text = readIniText(file);
    return text ? iniLookup(*text, section, key) : std::string();
}

bool WriteIniValue(const std::string& file, std::string_view key, std::string_view value,
                   std::string_view section) {
    if (value.find_first_of("\r\n") != std::string_view::npos ||
        key.find_first_of("\r\n=") != std::string_view::npos)
        return false;
    const std::string old = readIniText(file).value_or(std::string());
    return writeFileAtomically(file, iniUpdate(old, section, key, value));
}

}  // namespace parvel::ui
