#include "FileWatch.h"

#include <sys/stat.h>

#include <QFileInfo>
#include <set>

namespace parvel {

FileWatch::FileWatch(std::function<void()> changed, QObject* parent, int settleMs)
    : QObject(parent),
      m_changed(std::move(changed)),
      m_watcher(new QFileSystemWatcher(this)),
      m_settle(new QTimer(this)) {
    m_settle->setSingleShot(true);
    m_settle->setInterval(settleMs);
    connect(m_settle, &QTimer::timeout, this, [this] { settle(); });
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, [this] { notice(); });
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] { notice(); });
}

FileWatch::Stamp FileWatch::stampOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    auto ns = [](const timespec& t) {
        return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
    };
    return {true, static_cast<long long>(st.st_size), ns(st.st_mtim), ns(st.st_ctim),
            static_cast<unsigned long long>(st.st_ino)};
}

void FileWatch::setFiles(const std::vector<std::string>& files) {
    std::map<std::string, Stamp> next;
    for (const auto& f : files) {
        const QString abs = QFileInfo(QString::fromStdString(f)).absoluteFilePath();
        const std::string key = abs.toStdString();
        auto old = m_files.find(key);
        // A file already watched keeps the state it was measured at, so a
        // change that is settling is not lost by watching the list again.
        next[key] = old != m_files.end() ? old->second : stampOf(key);
    }
    m_files = std::move(next);
    QStringList wanted;
    std::set<QString> folders;
    for (const auto& [path, stamp] : m_files) {
        const QString p = QString::fromStdString(path);
        wanted << p;
        folders.insert(QFileInfo(p).absolutePath());
    }
    for (const auto& d : folders) wanted << d;
    QStringList drop;
    for (const auto& w : m_watcher->files() + m_watcher->directories())
        if (!wanted.contains(w)) drop << w;
    if (!drop.isEmpty()) m_watcher->removePaths(drop);
    rearm();
    for (const auto& d : folders)
        if (!m_watcher->directories().contains(d) && QFileInfo(d).isDir()) m_watcher->addPath(d);
}

std::vector<std::string> FileWatch::files() const {
    std::vector<std::string> out;
    for (const auto& [path, stamp] : m_files) out.push_back(path);
    return out;
}

QStringList FileWatch::watched() const { return m_watcher->files() + m_watcher->directories(); }

void FileWatch::rearm() {
    // A file renamed over or deleted and written again is a new file: its
    // old watch is gone, so watch it afresh whenever it is there.
    const QStringList current = m_watcher->files();
    for (const auto& [path, stamp] : m_files) {
        const QString p = QString::fromStdString(path);
        if (!current.contains(p) && QFileInfo::exists(p)) m_watcher->addPath(p);
    }
}

void FileWatch::notice() {
    rearm();
    m_settle->start();
}

void FileWatch::settle() {
    rearm();
    bool changed = false;
    for (auto& [path, stamp] : m_files) {
        const Stamp now = stampOf(path);
        if (now == stamp) continue;
        stamp = now;
        changed = true;
    }
    if (changed && m_changed) m_changed();
}

}  // namespace parvel
