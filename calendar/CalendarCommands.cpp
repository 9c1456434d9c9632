#include "CalendarCommands.h"

#include "Agenda.h"
#include "Clock.h"
#include "DataFolder.h"
#include "IcsExport.h"
#include "MessageLanguage.h"
#include "SystemZone.h"

int RunAgenda(const std::string& folder, int days, std::ostream& out, std::ostream& err) {
    IndivSubjList indiv;
    RepSubjList rep;
    if (!LoadFolder(folder, indiv, rep, err)) {
        return kCommandNoFolder;
    }
    WriteAgenda(indiv, rep, days, out);
    return kCommandDone;
}

int RunIcsExport(const std::string& fileName, const std::string& folder, IcsForm form,
                 std::ostream& err) {
    IndivSubjList indiv;
    RepSubjList rep;
    if (!LoadFolder(folder, indiv, rep, err)) {
        return kCommandNoFolder;
    }
    const IcsExported exported =
        WriteIcsFile(fileName, indiv, rep, Clock::Now(), SystemZoneName(), form);
    if (exported.notExported > 0) {
        err << "veskat: " << exported.notExported
            << InUserLanguage(" subjects not exported: their date has no year from 1 to 9999",
                              " 件の案件は年が 1 から 9999 の外にあるため書き出していません")
            << "\n";
    }
    if (!exported.written) {
        err << "veskat: " << fileName << ": "
            << InUserLanguage("could not be written", "書き込めませんでした") << "\n";
        return kCommandFailed;
    }
    return kCommandDone;
}
