// The words of the reminders: what a summary and a due subject say, turned
// from the subjects' Shift_JIS into text for the desktop.
#pragma once

#include <QString>

#include "ReminderScheduler.h"

// "今日の案件 N 件、期限切れ M 件".
QString SummaryHeadline(const DaySummary& summary);
// The first titles, one a line, and "ほか K 件" for those not named.
QString SummaryBody(const DaySummary& summary);

// The subject's title.
QString DueHeadline(const DueReminder& due);
// Its date and time, "（遅れて通知）" behind them when late, then the first
// line of its content when it has one.
QString DueBody(const DueReminder& due);
