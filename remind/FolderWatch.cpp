#include "FolderWatch.h"

#include <QFileInfo>

FolderWatch::FolderWatch(const QString& folder, const QStringList& names, int settleMs,
                         QObject* parent)
    : QObject(parent), folder_(folder), names_(names) {
    for (const QString& name : names_) {
        told_[name] = StandingOf(name);
    }
    settle_.setSingleShot(true);
    settle_.setInterval(settleMs);
    connect(&settle_, &QTimer::timeout, this, &FolderWatch::Settle);
    // A save renames a new file over the old one: the folder tells of that,
    // the file itself of a write in place.
    watcher_.addPath(folder_);
    WatchFiles();
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &FolderWatch::OnNotice);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, &FolderWatch::OnNotice);
}

void FolderWatch::Look() {
    OnNotice();
}

FolderWatch::Standing FolderWatch::StandingOf(const QString& name) const {
    QFileInfo info(folder_ + QLatin1Char('/') + name);
    info.setCaching(false);
    if (!info.exists()) {
        return {};
    }
    return {true, info.size(), info.lastModified(), info.metadataChangeTime()};
}

// A file replaced is a new file, which the watcher does not follow by its name.
void FolderWatch::WatchFiles() {
    const QStringList watched = watcher_.files();
    for (const QString& name : names_) {
        const QString path = folder_ + QLatin1Char('/') + name;
        if (!watched.contains(path) && QFileInfo::exists(path)) {
            watcher_.addPath(path);
        }
    }
}

void FolderWatch::OnNotice() {
    WatchFiles();
    if (!settle_.isActive()) {
        moving_.clear();
        for (const QString& name : names_) {
            const Standing now = StandingOf(name);
            if (now != told_[name]) {
                moving_[name] = now;
            }
        }
        if (!moving_.empty()) {
            settle_.start();
        }
    }
}

// Told once it stands as it stood a moment ago; still moving, looked at again.
// What is told goes out last: a listener that reads the file may look again.
void FolderWatch::Settle() {
    std::map<QString, Standing> stillMoving;
    QStringList settled;
    for (const auto& [name, before] : moving_) {
        const Standing now = StandingOf(name);
        if (now == told_[name]) {
            continue;  // back as it was told, as after a write of the same bytes undone
        }
        if (now == before) {
            told_[name] = now;
            settled << name;
        } else {
            stillMoving[name] = now;
        }
    }
    moving_ = std::move(stillMoving);
    for (const QString& name : names_) {
        const Standing now = StandingOf(name);
        if (!moving_.contains(name) && now != told_[name]) {
            moving_[name] = now;  // changed again since the last look
        }
    }
    if (!moving_.empty()) {
        settle_.start();
    }
    for (const QString& name : settled) {
        emit Changed(name);
    }
}
