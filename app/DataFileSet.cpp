#include "DataFileSet.h"

#include <optional>
#include <string>

#include "KeptCopies.h"
#include "KeptVersions.h"
#include "LoadAhead.h"

namespace {

// What each data file is called when the user is told about it.
const QString kIndivFileKind = QString::fromUtf8(KindName(SubjKind::Indiv)) + "ファイル";
const QString kRepFileKind = QString::fromUtf8(KindName(SubjKind::Rep)) + "ファイル";

// %1 the kind of file, %2 its name, %3 a number of lines; %1 of the last one
// the name of the copy kept.
const QString kFileNotRead = QStringLiteral("%1 %2 を読み込めませんでした。");
const QString kLinesNotTaken = QStringLiteral("%1 %2 の %3 行を読み込めませんでした。");
const QString kLinesChanged = QStringLiteral("%1 %2 の %3 行は内容の一部を変えて読み込みました。");
const QString kCopyKept = QStringLiteral("元のファイルを %1 として残しました。");
// %1 the kind of file, %2 its name, %3 the versions folder.
const QString kVersionNotKept = QStringLiteral(
    "%1 %2 の以前の版を %3 フォルダーに残せなかったため、%2 は保存しませんでした。"
    "ファイルは保存前のままです。");

// One notice for one file: what went wrong, then where the original is kept.
QString LoadNotice(const QString& kind, const char* fileName, const LoadOutcome& outcome,
                   const std::string& copy) {
    const QString name = QString::fromLocal8Bit(fileName);
    QStringList lines;
    if (outcome.notRead) {
        lines << kFileNotRead.arg(kind, name);
    } else {
        if (outcome.report.linesNotTaken > 0) {
            lines << kLinesNotTaken.arg(kind, name, QString::number(outcome.report.linesNotTaken));
        }
        if (outcome.report.linesChanged > 0) {
            lines << kLinesChanged.arg(kind, name, QString::number(outcome.report.linesChanged));
        }
    }
    if (!copy.empty()) {
        lines << kCopyKept.arg(QString::fromLocal8Bit(copy));
    }
    return lines.join(QLatin1Char('\n'));
}

template <typename List>
void LoadInto(List& list, const char* fileName, const QString& kind, QStringList& notices,
              LoadAhead* ahead) {
    std::optional<LoadOutcome> taken;
    if (ahead != nullptr) {
        taken = ahead->Take(list);
    }
    const LoadOutcome outcome = taken ? *taken : LoadList(list, fileName);
    if (!outcome.Clean()) {
        std::string copy;
        static_cast<void>(KeepDatedCopy(fileName, copy));  // the notice says where, if anywhere
        notices << LoadNotice(kind, fileName, outcome, copy);
    }
}

enum class [[nodiscard]] Replaced{Written, Unchanged, Failed, VersionNotKept};

// A file whose bytes would not change is left alone: no marker, no backup, no
// version. Otherwise the marker goes first: once the file has changed, a
// start-up must not fetch the server's copy over it, even when this save fails
// halfway or the program is killed during the upload. The version it replaces
// is kept before it is replaced, and old versions are thinned once it is.
template <typename List>
Replaced Replace(const List& list, const char* fileName,
                 const DataFileSet::MarkUnsent& markUnsent) {
    std::optional<std::string> present;
    if (IsRegularFile(fileName)) {
        present = ReadWholeFile(fileName);
        if (!present) {
            return Replaced::Failed;
        }
        if (list.SavesAs(*present)) {
            return Replaced::Unchanged;
        }
    }
    if (!markUnsent(fileName)) {
        return Replaced::Failed;
    }
    std::string version;
    if (present && KeepVersion(fileName, *present, version) != FileWrite::Written) {
        return Replaced::VersionNotKept;
    }
    if ((present && KeepBackup(fileName, *present, version) != FileWrite::Written) ||
        list.Save(fileName) != StoreResult::Done) {
        return Replaced::Failed;
    }
    if (present) {
        ThinVersions(fileName, version);
    }
    return Replaced::Written;
}

// Whether the file is as the list has it now, telling the user why not when a
// version could not be kept.
bool Settled(Replaced replaced, const QString& kind, const char* fileName, QStringList* notices) {
    if (replaced == Replaced::VersionNotKept && notices != nullptr) {
        *notices << kVersionNotKept.arg(kind, QString::fromLocal8Bit(fileName),
                                        QString::fromLocal8Bit(VersionsFolderOf(fileName)));
    }
    return replaced == Replaced::Written || replaced == Replaced::Unchanged;
}

std::size_t IndexOf(SubjKind kind) {
    return kind == SubjKind::Indiv ? 0 : 1;
}

}  // namespace

QStringList DataFileSet::Load(LoadAhead* ahead) {
    QStringList notices;
    LoadInto(indiv_, kIndivFileName, kIndivFileKind, notices, ahead);
    LoadInto(rep_, kRepFileName, kRepFileKind, notices, ahead);
    return notices;
}

bool DataFileSet::Write(const MarkUnsent& markUnsent, QStringList* notices) {
    const bool indivWritten = !notAdopted_[IndexOf(SubjKind::Indiv)] &&
                              Settled(Replace(indiv_, kIndivFileName, markUnsent), kIndivFileKind,
                                      kIndivFileName, notices);
    const bool repWritten =
        !notAdopted_[IndexOf(SubjKind::Rep)] &&
        Settled(Replace(rep_, kRepFileName, markUnsent), kRepFileKind, kRepFileName, notices);
    return indivWritten && repWritten;
}

bool DataFileSet::Restore(SubjKind kind, const std::vector<RecordText>& records) {
    const StoreResult assigned =
        kind == SubjKind::Indiv ? indiv_.Assign(records) : rep_.Assign(records);
    return assigned == StoreResult::Done;
}

bool DataFileSet::Adopt(SubjKind kind, const std::vector<RecordText>& records) {
    if (!Restore(kind, records)) {
        notAdopted_[IndexOf(kind)] = true;
        return false;
    }
    return true;
}
