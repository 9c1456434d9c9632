// Tells when a file of a data folder has changed and stands still: saved by
// the window, replaced by a merge with the server, written by an import or by
// hand. The system's notices on the folder and on each file only wake it; a
// file counts as changed when what it is (its size and times) differs from
// what was last told, and is told once it has stood so for a moment, so that
// one written in place is read whole. A look now and then (Look) catches what
// the notices miss, as on a folder a network server keeps.
#pragma once

#include <QDateTime>
#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <map>

class FolderWatch : public QObject {
    Q_OBJECT

  public:
    // Watches the files `names` of `folder`; what they are now counts as seen.
    // A change is told once the file has stood still for `settleMs`.
    FolderWatch(const QString& folder, const QStringList& names, int settleMs = 250,
                QObject* parent = nullptr);

    // Looks at every file now, as a notice would have it.
    void Look();

  signals:
    // The file `name` is not what it was when last told (or seen at the
    // start): made, replaced, written or removed.
    void Changed(const QString& name);

  private:
    struct Standing {
        bool exists = false;
        qint64 size = -1;
        QDateTime modified;
        QDateTime changed;
        bool operator==(const Standing&) const = default;
    };

    Standing StandingOf(const QString& name) const;
    void WatchFiles();
    void OnNotice();
    void Settle();

    QString folder_;
    QStringList names_;
    QFileSystemWatcher watcher_;
    QTimer settle_;
    std::map<QString, Standing> told_;
    // What each file changed to at the last look, waiting to stand still.
    std::map<QString, Standing> moving_;
};
