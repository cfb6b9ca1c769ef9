#pragma once
// Tells when any of a handful of files changes: the files of a game an
// author is editing. Each file is watched, and so is its folder, because
// many editors save by writing a temporary file and renaming it over the
// old one: the watch on the old file then ends, and the folder's notice
// is what finds the new one (which is watched again at once). Notices only
// start a short settling delay; the files' sizes, dates and inodes decide
// afterwards whether anything really changed, so a swap file coming and
// going, or a save that arrives in several writes, calls back once or not
// at all. Needs a running Qt event loop; costs nothing while nothing
// happens (inotify, no polling).

#include <QFileSystemWatcher>
#include <QTimer>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace parvel {

// A QObject so that its watcher and timer are children of whoever owns it.
class FileWatch : public QObject {
public:
    explicit FileWatch(std::function<void()> changed, QObject* parent = nullptr, int settleMs = 30);

    // The files to watch (native paths); missing ones are watched for
    // when they appear. Their state now is the one later changes are
    // measured from, unless a change is already settling.
    void setFiles(const std::vector<std::string>& files);
    std::vector<std::string> files() const;
    // What the watcher holds now (files and folders), for tests.
    QStringList watched() const;

private:
    struct Stamp {
        bool exists = false;
        long long size = 0, mtimeNs = 0, ctimeNs = 0;
        unsigned long long inode = 0;
        bool operator==(const Stamp&) const = default;
    };
    static Stamp stampOf(const std::string& path);
    void notice();
    void settle();
    void rearm();

    std::function<void()> m_changed;
    QFileSystemWatcher* m_watcher;
    QTimer* m_settle;
    std::map<std::string, Stamp> m_files;
};

}  // namespace parvel
