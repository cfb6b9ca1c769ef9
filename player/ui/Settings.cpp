#include "Settings.h"

#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <cstdlib>

#include "IniFile.h"
#include "Paths.h"
#include "UiLog.h"
#include "Vb.h"

namespace parvel::ui {

namespace {

std::string withSlash(std::string s) {
    if (!s.empty() && s.back() != '/') s += '/';
    return s;
}

bool readable(const std::string& file) { return ::access(file.c_str(), R_OK) == 0; }

}  // namespace

SettingsLocation defaultSettingsLocation() {
    SettingsLocation loc;
    loc.programFolder = programFolder();
    loc.configFolder = userConfigFolder();  // empty without a home folder
    return loc;
}

SettingsFile::SettingsFile(SettingsLocation location) : m_location(std::move(location)) {
    m_location.programFolder = withSlash(m_location.programFolder);
    m_location.configFolder = withSlash(m_location.configFolder);
}

bool SettingsFile::programPathWritable() const {
    // The atomic write renames a new file into the folder: the folder must
    // take new files, and an existing file must not be read-only.
    const std::string file = programPath();
    if (::access(m_location.programFolder.c_str(), W_OK) != 0) return false;
    return ::access(file.c_str(), F_OK) != 0 || ::access(file.c_str(), W_OK) == 0;
}

std::string SettingsFile::path() const {
    if (!m_fellBack && programPathWritable()) return programPath();
    return configPath();
}

std::string SettingsFile::currentText() const {
    const std::string p = path();
    if (auto text = readIniText(p)) return *text;
    // A read-only program folder may still ship a settings file: it holds
    // the values until the user's own copy exists.
    if (p != programPath())
        if (auto text = readIniText(programPath())) return *text;
    return {};
}

bool SettingsFile::writeText(const std::string& file, const std::string& text) {
    if (file.empty()) return false;  // no config folder: never the current one
    if (file == configPath()) QDir().mkpath(QString::fromStdString(m_location.configFolder));
    return writeFileAtomically(file, text);
}

std::string SettingsFile::CheckP() {
    const std::string p = path();
    if (readable(p)) return p;
    std::string text;
    if (p != programPath() && readable(programPath()))
        text = currentText();
    else
        text = "[" + std::string(kIniSection) + "]\r\nLstDir = " + m_location.programFolder + "\r\n";
    if (writeText(p, text)) return p;
    if (p != configPath()) {
        m_fellBack = true;
        if (writeText(configPath(), text)) return configPath();
    }
    qCWarning(lcUi) << "cannot create the settings file" << QString::fromStdString(p);
    return p;
}

std::string SettingsFile::read(std::string_view key) const {
    return iniLookup(currentText(), kIniSection, key);
}

bool SettingsFile::write(const std::vector<std::pair<std::string, std::string>>& pairs) {
    for (const auto& [key, value] : pairs)
        if (value.find_first_of("\r\n") != std::string::npos ||
            key.find_first_of("\r\n=") != std::string::npos)
            return false;
    std::string text = currentText();
    for (const auto& [key, value] : pairs) text = iniUpdate(text, kIniSection, key, value);
    const std::string p = path();
    if (writeText(p, text)) return true;
    if (p == configPath()) {
        qCWarning(lcUi) << "cannot write the settings file" << QString::fromStdString(p);
        return false;
    }
    qCInfo(lcUi) << "settings move to" << QString::fromStdString(configPath());
    m_fellBack = true;
    if (writeText(configPath(), text)) return true;
    qCWarning(lcUi) << "cannot write the settings file" << QString::fromStdString(configPath());
    return false;
}

std::optional<bool> iniFlag(std::string_view text) {
    const std::string_view t = vb::Trim(text);
    if (vb::equalsNoCase(t, "True")) return true;
    if (vb::equalsNoCase(t, "False")) return false;
    return vb::CBool(t);
}

LoadedSettings loadPlayerSettings(const SettingsFile& file) {
    LoadedSettings out;
    auto load = [&](const char* key, bool& flag) {
        const std::string text = file.read(key);
        if (vb::Trim(text).empty()) return;  // keeps the initial mark
        if (auto v = iniFlag(text))
            flag = *v;
        else
            out.badKeys.push_back(key);
    };
    load("ShowErrors", out.settings.ShowErrors);
    load("PlaySounds", out.settings.PlaySounds);
    load("PlayMusic", out.settings.PlayMusic);
    // A key of our own, newer than the others: a value that is no flag leaves
    // Read Aloud off rather than stopping the start-up with a question.
    if (auto v = iniFlag(file.read("ReadAloud"))) out.settings.ReadAloud = *v;
    out.settings.MasterVolume = iniPercent(file.read("MasterVolume"));
    out.settings.MusicVolume = iniPercent(file.read("MusicVolume"));
    out.settings.SoundVolume = iniPercent(file.read("SoundVolume"));
    if (auto v = iniFlag(file.read("Mute"))) out.settings.Mute = *v;
    return out;
}

int iniPercent(std::string_view text) {
    const std::string_view t = vb::Trim(text);
    if (t.empty() || t.size() > 3) return 100;
    int value = 0;
    for (char c : t) {
        if (c < '0' || c > '9') return 100;
        value = value * 10 + (c - '0');
    }
    return value <= 100 ? value : 100;
}

ViewSettings loadViewSettings(const SettingsFile& file) {
    ViewSettings out;
    const std::string_view zoom = vb::Trim(file.read("Zoom"));
    if (zoom.size() == 1 && zoom[0] >= '1' && zoom[0] <= '4') out.Zoom = zoom[0] - '0';
    if (auto v = iniFlag(file.read("FullScreen"))) out.FullScreen = *v;
    return out;
}

bool savePlayerSettings(SettingsFile& file, const PlayerSettings& s) {
    std::vector<std::pair<std::string, std::string>> keys = {
        {"ShowErrors", iniWord(s.ShowErrors)},
        {"PlaySounds", iniWord(s.PlaySounds)},
        {"PlayMusic", iniWord(s.PlayMusic)}};
    // Written once it has been turned on, so a file that never used it
    // stays as it was.
    if (s.ReadAloud || !vb::Trim(file.read("ReadAloud")).empty())
        keys.emplace_back("ReadAloud", iniWord(s.ReadAloud));
    // Likewise the volumes, once one is off full, and the mute once used.
    const std::pair<const char*, int> volumes[] = {
        {"MasterVolume", s.MasterVolume}, {"MusicVolume", s.MusicVolume}, {"SoundVolume", s.SoundVolume}};
    for (const auto& [key, value] : volumes)
        if (value != 100 || !vb::Trim(file.read(key)).empty())
            keys.emplace_back(key, std::to_string(value));
    if (s.Mute || !vb::Trim(file.read("Mute")).empty()) keys.emplace_back("Mute", iniWord(s.Mute));
    return file.write(keys);
}

std::string lastFolder(const SettingsFile& file) {
    const std::string dir(vb::Trim(file.read("LstDir")));
    if (dir.empty() || !QFileInfo(QString::fromStdString(dir)).isDir())
        return file.location().programFolder;
    return dir;
}

}  // namespace parvel::ui
