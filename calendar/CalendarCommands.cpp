#include "CalendarCommands.h"

#include "Agenda.h"
#include "Clock.h"
#include "DataFolder.h"
#include "IcsExport.h"
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

int RunIcsExport(const std::string& fileName, const std::string& folder, std::ostream& err) {
    IndivSubjList indiv;
    RepSubjList rep;
    if (!LoadFolder(folder, indiv, rep, err)) {
        return kCommandNoFolder;
    }
    const IcsCalendar calendar = BuildIcsCalendar(indiv, rep, Clock::Now(), SystemZoneName());
    if (calendar.notExported > 0) {
        err << "veskat: " << calendar.notExported
            << " subjects not exported: their date has no year from 1 to 9999\n";
    }
    if (!WriteIcsFile(fileName, calendar.text)) {
        err << "veskat: " << fileName << ": could not be written\n";
        return kCommandFailed;
    }
    return kCommandDone;
}
