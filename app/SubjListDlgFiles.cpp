// The main window's data files: loading them at start-up, where a file that
// did not load cleanly is copied aside before anything can replace it and the
// user is told, and writing them at a save, each behind its unsent marker and
// a backup of the version it replaces.
#include <QString>
#include <QStringList>

#include "KeptCopies.h"
#include "MessageService.h"
#include "SubjListDlg.h"

namespace {

const QString kSaveFailed = QStringLiteral("データファイルの保存に失敗しました。");

// What each data file is called when the user is told about it.
const QString kIndivFileKind = QStringLiteral("個別案件ファイル");
const QString kRepFileKind = QStringLiteral("反復案件ファイル");

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
template <typename List>
LoadOutcome LoadList(List& list, const char* fileName) {
    LoadOutcome outcome;
    if (!PathExists(fileName)) {
        return outcome;
    }
    outcome.notRead = list.Load(fileName, &outcome.report) == StoreResult::FileFailed;
    return outcome;
}

// One box for one file: what went wrong, then where the original is kept.
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

}  // namespace

void CSubjListDlg::LoadDataFiles() {
    QStringList notices;
    const auto load = [&notices](auto& list, const char* fileName, const QString& kind) {
        const LoadOutcome outcome = LoadList(list, fileName);
        if (!outcome.Clean()) {
            notices << LoadNotice(kind, fileName, outcome, KeepDatedCopy(fileName));
        }
    };
    load(indivList_, kIndivFileName, kIndivFileKind);
    load(repList_, kRepFileName, kRepFileKind);
    for (const QString& notice : notices) {
        messages_.Inform(this, notice);
    }
}

bool CSubjListDlg::WriteDataFiles() {
    const bool indivWritten = !notAdopted_[0] && ReplaceDataFile(kIndivFileName, [this] {
        return indivList_.Save(kIndivFileName);
    });
    const bool repWritten = !notAdopted_[1] && ReplaceDataFile(kRepFileName, [this] {
        return repList_.Save(kRepFileName);
    });
    if (indivWritten && repWritten) {
        return true;
    }
    messages_.Inform(this, kSaveFailed);
    return false;
}

// The marker goes first: once the file has changed, a start-up must not fetch
// the server's copy over it, even when this save fails halfway or the program
// is killed during the upload.
bool CSubjListDlg::ReplaceDataFile(const char* fileName, const std::function<StoreResult()>& save) {
    return MarkUnsent(fileName) && KeepBackup(fileName) == 0 && save() == StoreResult::Done;
}
