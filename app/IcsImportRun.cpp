#include "IcsImportRun.h"

#include <QDir>
#include <QFileInfo>
#include <QString>
#include <QStringList>

#include "CalendarCommands.h"
#include "Clock.h"
#include "ConnectSettings.h"
#include "DataFileSet.h"
#include "IcsImport.h"
#include "MessageLanguage.h"
#include "ServerSync.h"
#include "SingleInstance.h"
#include "SystemZone.h"

namespace {

void Tell(std::ostream& err, const std::string& text) {
    err << "veskat: " << text << "\n";
}

void TellNotices(std::ostream& err, const QStringList& notices) {
    for (const QString& notice : notices) {
        Tell(err, notice.toStdString());
    }
}

void PrintLines(std::ostream& out, const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        out << line << "\n";
    }
}

}  // namespace

int RunIcsImport(const std::string& fileName, const std::string& folder, std::ostream& out,
                 std::ostream& err) {
    const QString dataFolder = QString::fromLocal8Bit(folder);
    if (!QFileInfo(dataFolder).isDir()) {
        Tell(err, InUserLanguage("no such folder: ", "フォルダーがありません: ") + folder);
        return kCommandNoFolder;
    }
    SingleInstance instance(SingleInstance::NameFor(SingleInstance::Owner::Window, dataFolder));
    // A window of the earlier version may have any folder open, this one too.
    switch (SingleInstance::EarlierWindowRuns() ? SingleInstance::Role::Second : instance.Claim()) {
        case SingleInstance::Role::First:
            break;
        case SingleInstance::Role::Second:
            Tell(err,
                 InUserLanguage("the veskat window is open: import in it, or close it first",
                                "veskat のウィンドウが開いています。ウィンドウでインポートするか、"
                                "閉じてからやり直してください"));
            return kCommandWindowOpen;
        case SingleInstance::Role::Failed:
            Tell(err, InUserLanguage("could not tell whether the window is open",
                                     "ウィンドウが開いているか確かめられませんでした"));
            return kCommandFailed;
    }
    // The file is named from where the command was given, the data from the folder.
    const std::string file =
        QFileInfo(QString::fromLocal8Bit(fileName)).absoluteFilePath().toLocal8Bit().toStdString();
    if (!QDir::setCurrent(dataFolder)) {
        Tell(err, InUserLanguage("no such folder: ", "フォルダーがありません: ") + folder);
        return kCommandNoFolder;
    }
    ConnectSettings settings;
    settings.Load(kIniFileName);
    DataFileSet files;
    if (const QStringList notices = files.Load(); !notices.isEmpty()) {
        // Writing now would save the lists without what could not be read.
        TellNotices(err, notices);
        Tell(err, InUserLanguage(
                      "nothing was imported: open veskat to see to the data first",
                      "インポートしていません。先に veskat を開いてデータを確かめてください"));
        return kCommandFailed;
    }

    IcsImport import = IcsImport::ReadFile(file, Clock::Now(), SystemZoneName());
    if (import.Problem() != IcsFileProblem::None) {
        Tell(err, import.ProblemText(fileName, JapaneseMessages()));
        return kCommandFailed;
    }
    import.LeaveOutPresent(files.Indiv(), files.Rep());
    if (!import.AddTo(files.Indiv(), files.Rep())) {
        Tell(err, InUserLanguage("out of memory: nothing was imported",
                                 "メモリーが足りないため、インポートしていません"));
        return kCommandFailed;
    }
    QStringList notices;
    const auto markUnsent = [&settings](const char* localFile) {
        return MarkUnsent(settings, localFile) == MarkOutcome::Marked;
    };
    if (!files.Write(markUnsent, &notices)) {
        TellNotices(err, notices);
        Tell(err, InUserLanguage("the data files could not be written",
                                 "データファイルを保存できませんでした"));
        return kCommandFailed;
    }
    PrintLines(out, import.SummaryLines(JapaneseMessages(), true));
    return kCommandDone;
}
