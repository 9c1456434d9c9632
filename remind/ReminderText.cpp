#include "ReminderText.h"

#include <QStringList>

#include "SjisCodec.h"

QString SummaryHeadline(const DaySummary& summary) {
    return QStringLiteral("今日の案件 %1 件、期限切れ %2 件")
        .arg(summary.today)
        .arg(summary.overdue);
}

QString SummaryBody(const DaySummary& summary) {
    QStringList lines;
    for (const std::string& title : summary.titles) {
        lines << SjisToQString(title);
    }
    const auto unnamed = static_cast<qsizetype>(summary.today + summary.overdue) - lines.size();
    if (unnamed > 0) {
        lines << QStringLiteral("ほか %1 件").arg(unnamed);
    }
    return lines.join(QLatin1Char('\n'));
}

QString DueHeadline(const DueReminder& due) {
    return SjisToQString(due.subj.title);
}

QString DueBody(const DueReminder& due) {
    QString body = SjisToQString(DateTimeText(due.subj));
    if (due.late) {
        body += QStringLiteral("（遅れて通知）");
    }
    if (!due.note.empty()) {
        body += QLatin1Char('\n') + SjisToQString(due.note);
    }
    return body;
}
