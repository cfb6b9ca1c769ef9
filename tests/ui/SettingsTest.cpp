#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>

#include "IniFile.h"
#include "Settings.h"
#include "UiTestSupport.h"

using namespace parvel;
using namespace parvel::ui;
using namespace parvel::ui::test;

TEST(IniLookup, FindsKeysWithoutRegardToCaseAndTrimsValues) {
    const std::string text =
        "[Other]\r\nPlaySounds=Other\r\n[parvel]\r\n  playsounds =  False  \r\nLstDir = /g/\r\n";
    EXPECT_EQ(iniLookup(text, "Parvel", "PlaySounds"), "False");
    EXPECT_EQ(iniLookup(text, "Parvel", "LstDir"), "/g/");
    EXPECT_EQ(iniLookup(text, "Other", "PlaySounds"), "Other");
    EXPECT_EQ(iniLookup(text, "Parvel", "PlayMusic"), "");
    EXPECT_EQ(iniLookup(text, "Missing", "LstDir"), "");
}

TEST(IniLookup, DropsMatchingQuotesAndAcceptsBareLineEnds) {
    EXPECT_EQ(iniLookup("[Parvel]\nA=\"x y\"\nB='z'\nC=\"w'\n", "Parvel", "A"), "x y");
    EXPECT_EQ(iniLookup("[Parvel]\rA=1\rB=2", "Parvel", "B"), "2");
    EXPECT_EQ(iniLookup("[Parvel]\nC=\"w'\n", "Parvel", "C"), "\"w'");
}

TEST(IniLookup, ReturnsAtMost249Characters) {
    const std::string longValue(300, 'x');
    EXPECT_EQ(iniLookup("[Parvel]\r\nK=" + longValue + "\r\n", "Parvel", "K"), std::string(249, 'x'));
    const std::string exact(249, 'y');
    EXPECT_EQ(iniLookup("[Parvel]\r\nK=" + exact + "\r\n", "Parvel", "K"), exact);
}

TEST(IniUpdate, RewritesOnlyTheKeyLine) {
    const std::string text = "; mine\r\n[Parvel]\r\nLstDir = /g/\r\nPlaySounds = True\r\nSoundFont=/sf.sf2\r\n";
    EXPECT_EQ(iniUpdate(text, "Parvel", "playsounds", "False"),
              "; mine\r\n[Parvel]\r\nLstDir = /g/\r\nplaysounds=False\r\nSoundFont=/sf.sf2\r\n");
}

TEST(IniUpdate, AddsKeysAfterTheSectionsLastLine) {
    EXPECT_EQ(iniUpdate("[Parvel]\r\nLstDir = /g/\r\n\r\n[Other]\r\nX=1\r\n", "Parvel", "PlayMusic", "True"),
              "[Parvel]\r\nLstDir = /g/\r\nPlayMusic=True\r\n\r\n[Other]\r\nX=1\r\n");
    EXPECT_EQ(iniUpdate("[Parvel]\r\nLstDir = /g/", "Parvel", "PlayMusic", "True"),
              "[Parvel]\r\nLstDir = /g/\r\nPlayMusic=True");
}

TEST(IniUpdate, CreatesTheSectionAndTheFile) {
    EXPECT_EQ(iniUpdate("", "Parvel", "ShowErrors", "False"), "[Parvel]\r\nShowErrors=False\r\n");
    EXPECT_EQ(iniUpdate("[Other]\r\nX=1", "Parvel", "A", "b"), "[Other]\r\nX=1\r\n[Parvel]\r\nA=b\r\n");
}

TEST(IniFile, ReadsAndWritesFiles) {
    app();
    QTemporaryDir dir;
    const std::string file = dirOf(dir) + "Parvel.ini";
    EXPECT_EQ(ReadIniValue(file, "LstDir", "Parvel"), "");  // missing file
    EXPECT_TRUE(WriteIniValue(file, "LstDir", "/games/", "Parvel"));
    EXPECT_TRUE(WriteIniValue(file, "PlayMusic", "False", "Parvel"));
    EXPECT_EQ(readFile(file), "[Parvel]\r\nLstDir=/games/\r\nPlayMusic=False\r\n");
    EXPECT_EQ(ReadIniValue(file, "playmusic", "PARVEL"), "False");
    // A value with a line break would make a second line: refused, file kept.
    EXPECT_FALSE(WriteIniValue(file, "LstDir", "a\r\nb=c", "Parvel"));
    EXPECT_EQ(readFile(file), "[Parvel]\r\nLstDir=/games/\r\nPlayMusic=False\r\n");
    // No temp files are left beside it.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"Parvel.ini"});
}

TEST(IniFlag, AcceptsTruthWordsAndNumbers) {
    EXPECT_EQ(iniFlag("True"), true);
    EXPECT_EQ(iniFlag("FALSE"), false);
    EXPECT_EQ(iniFlag(" true "), true);
    EXPECT_EQ(iniFlag("0"), false);
    EXPECT_EQ(iniFlag("-1"), true);
    EXPECT_EQ(iniFlag("2"), true);
    EXPECT_EQ(iniFlag("maybe"), std::nullopt);
    EXPECT_EQ(iniFlag("Truely"), std::nullopt);
}

namespace {

struct Place {
    QTemporaryDir root;
    std::string program() const { return dirOf(root) + "bin/"; }
    std::string config() const { return dirOf(root) + "config/parvel/"; }
    Place() { QDir(root.path()).mkpath("bin"); }
    SettingsLocation location() const { return {program(), config()}; }
};

}  // namespace

TEST(SettingsFile, CheckPCreatesTheTwoLineFileInTheProgramFolder) {
    app();
    Place place;
    SettingsFile file(place.location());
    EXPECT_EQ(file.path(), place.program() + "Parvel.ini");
    EXPECT_EQ(file.CheckP(), place.program() + "Parvel.ini");
    EXPECT_EQ(readFile(place.program() + "Parvel.ini"), "[Parvel]\r\nLstDir = " + place.program() + "\r\n");
    EXPECT_EQ(file.read("LstDir"), place.program());
    // An existing file is left alone.
    writeFile(place.program() + "Parvel.ini", "[Parvel]\r\nX=1\r\n");
    file.CheckP();
    EXPECT_EQ(readFile(place.program() + "Parvel.ini"), "[Parvel]\r\nX=1\r\n");
}

TEST(SettingsFile, UnwritableProgramFolderUsesTheConfigFolder) {
    app();
    Place place;
    // A program "folder" that is a file takes no files, not even for root.
    writeFile(dirOf(place.root) + "ro", "");
    SettingsLocation loc{dirOf(place.root) + "ro/", place.config()};
    SettingsFile file(loc);
    EXPECT_EQ(file.path(), place.config() + "Parvel.ini");
    EXPECT_EQ(file.CheckP(), place.config() + "Parvel.ini");
    EXPECT_EQ(readFile(place.config() + "Parvel.ini"), "[Parvel]\r\nLstDir = " + loc.programFolder + "\r\n");
    EXPECT_TRUE(file.write("PlayMusic", "False"));
    EXPECT_EQ(file.read("PlayMusic"), "False");
}

// Without a home folder there is no config folder: the settings are not
// kept, and nothing lands in the current folder instead.
TEST(SettingsFile, WithoutAConfigFolderNothingIsWrittenHere) {
    app();
    Place place;
    writeFile(dirOf(place.root) + "ro", "");
    SettingsFile file({dirOf(place.root) + "ro/", ""});
    const QString here = QDir::currentPath();
    QDir::setCurrent(place.root.path());
    EXPECT_EQ(file.path(), "");
    file.CheckP();
    EXPECT_FALSE(file.write("PlayMusic", "False"));
    EXPECT_FALSE(writeFileAtomically("", "x"));
    QDir::setCurrent(here);
    EXPECT_EQ(QDir(place.root.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"ro"});
}

TEST(SettingsFile, FailedWriteMovesToTheConfigFolderKeepingEveryKey) {
    app();
    Place place;
    // The program folder looks writable, but the settings "file" there is a
    // folder, so the write fails; nothing the user chose may be lost.
    QDir(QString::fromStdString(place.program())).mkpath("Parvel.ini");
    SettingsFile file(place.location());
    EXPECT_TRUE(file.write({{"PlaySounds", "False"}, {"LstDir", "/g/"}}));
    EXPECT_EQ(file.path(), place.config() + "Parvel.ini");
    EXPECT_EQ(readFile(place.config() + "Parvel.ini"), "[Parvel]\r\nPlaySounds=False\r\nLstDir=/g/\r\n");
    EXPECT_TRUE(file.write("ShowErrors", "True"));
    EXPECT_EQ(file.read("PlaySounds"), "False");
    EXPECT_EQ(file.read("ShowErrors"), "True");
}

TEST(SettingsFile, ReadOnlyProgramFolderFileSeedsTheUsersCopy) {
    app();
    Place place;
    if (geteuid() == 0) GTEST_SKIP() << "root writes read-only files";
    writeFile(place.program() + "Parvel.ini", "[Parvel]\r\nCatalogueHost=example.org\r\n");
    chmod((place.program() + "Parvel.ini").c_str(), 0444);
    SettingsFile file(place.location());
    EXPECT_EQ(file.path(), place.config() + "Parvel.ini");
    EXPECT_EQ(file.read("CatalogueHost"), "example.org");
    EXPECT_TRUE(file.write("PlayMusic", "True"));
    EXPECT_EQ(readFile(place.config() + "Parvel.ini"),
              "[Parvel]\r\nCatalogueHost=example.org\r\nPlayMusic=True\r\n");
}

TEST(PlayerSettingsFile, MissingKeysTakeTheDesignedMarks) {
    app();
    Place place;
    SettingsFile file(place.location());
    auto loaded = loadPlayerSettings(file);  // no file at all
    EXPECT_FALSE(loaded.settings.ShowErrors);
    EXPECT_TRUE(loaded.settings.PlaySounds);
    EXPECT_TRUE(loaded.settings.PlayMusic);
    EXPECT_TRUE(loaded.badKeys.empty());
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(file.path())));  // reading creates nothing

    writeFile(file.path(), "[Parvel]\r\nShowErrors=\r\nPlaySounds=False\r\nPlayMusic=maybe\r\n");
    loaded = loadPlayerSettings(file);
    EXPECT_FALSE(loaded.settings.ShowErrors);
    EXPECT_FALSE(loaded.settings.PlaySounds);
    EXPECT_TRUE(loaded.settings.PlayMusic);
    EXPECT_EQ(loaded.badKeys, std::vector<std::string>{"PlayMusic"});
}

TEST(PlayerSettingsFile, SavingKeepsUnknownKeysAndWritesWords) {
    app();
    Place place;
    SettingsFile file(place.location());
    writeFile(file.path(), "[Parvel]\r\nLstDir = /g/\r\nPlaySounds=False\r\nSoundFont=/x.sf2\r\n"
                           "EnhancedHost=e.example\r\n");
    PlayerSettings s;
    s.ShowErrors = true;
    s.PlaySounds = false;
    s.PlayMusic = true;
    EXPECT_TRUE(savePlayerSettings(file, s));
    EXPECT_EQ(readFile(file.path()),
              "[Parvel]\r\nLstDir = /g/\r\nPlaySounds=False\r\nSoundFont=/x.sf2\r\n"
              "EnhancedHost=e.example\r\nShowErrors=True\r\nPlayMusic=True\r\n");
    EXPECT_EQ(file.read("SoundFont"), "/x.sf2");
}

TEST(PlayerSettingsFile, LastFolderFallsBackToTheProgramFolder) {
    app();
    Place place;
    SettingsFile file(place.location());
    EXPECT_EQ(lastFolder(file), place.program());
    file.write("LstDir", "   ");
    EXPECT_EQ(lastFolder(file), place.program());
    file.write("LstDir", dirOf(place.root));
    EXPECT_EQ(lastFolder(file), dirOf(place.root));
    file.write("LstDir", "/no/such/folder/");
    EXPECT_EQ(lastFolder(file), place.program());
}
