#include "DataFileSet.h"

#include <string>

#include "KeptCopies.h"

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

// How a data file loaded, as far as the user must know.
struct LoadOutcome {
    bool notRead = false;  // there, but not a file that could be read
    SubjTree::LoadReport report;

    bool Clean() const { return !notRead && report.linesNotTaken == 0 && report.linesChanged == 0; }
};

// Loads `list` from `fileName`. A missing file is an empty list and clean; the
// loader itself refuses a folder or other thing that is not a regular file.
// Running out of memory is no unreadable file: the lines not taken are counted.
template <typename List>
LoadOutcome LoadList(List& list, const char* fileName) {
    LoadOutcome outcome;
    if (!PathExists(fileName)) {
        return outcome;
    }
    outcome.notRead = list.Load(fileName, &outcome.report) == StoreResult::FileFailed;
    return outcome;
}

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
void LoadInto(List& list, const char* fileName, const QString& kind, QStringList& notices) {
    const LoadOutcome outcome = LoadList(list, fileName);
    if (!outcome.Clean()) {
        notices << LoadNotice(kind, fileName, outcome, KeepDatedCopy(fileName));
    }
}

// The marker goes first: once the file has changed, a start-up must not fetch
// the server's copy over it, even when this save fails halfway or the program
// is killed during the upload.
template <typename List>
bool Replace(const List& list, const char* fileName, const DataFileSet::MarkUnsent& markUnsent) {
    return markUnsent(fileName) && KeepBackup(fileName) == 0 &&
           list.Save(fileName) == StoreResult::Done;
}

std::size_t IndexOf(SubjKind kind) {
    return kind == SubjKind::Indiv ? 0 : 1;
}

}  // namespace

QStringList DataFileSet::Load() {
    QStringList notices;
    LoadInto(indiv_, kIndivFileName, kIndivFileKind, notices);
    LoadInto(rep_, kRepFileName, kRepFileKind, notices);
    return notices;
}

bool DataFileSet::Write(const MarkUnsent& markUnsent) {
    const bool indivWritten =
        !notAdopted_[IndexOf(SubjKind::Indiv)] && Replace(indiv_, kIndivFileName, markUnsent);
    const bool repWritten =
        !notAdopted_[IndexOf(SubjKind::Rep)] && Replace(rep_, kRepFileName, markUnsent);
    return indivWritten && repWritten;
}

bool DataFileSet::Adopt(SubjKind kind, const std::vector<RecordText>& records) {
    const StoreResult adopted =
        kind == SubjKind::Indiv ? indiv_.Assign(records) : rep_.Assign(records);
    if (adopted != StoreResult::Done) {
        notAdopted_[IndexOf(kind)] = true;
    }
    return adopted == StoreResult::Done;
}
