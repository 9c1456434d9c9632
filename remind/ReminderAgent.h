// The reminders with no window (veskat --remind): reads the individual
// subjects of a data folder into a ReminderIndex, reads them again whenever
// the file changes, and reminds of them through a ReminderDriver with the day
// of the last summary kept between runs. An action picked on a notification
// goes to the folder's window (WindowAsker). Never writes the data folder.
// The program's single-instance guard hands it what the window asks.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <ctime>
#include <iostream>
#include <memory>
#include <string>

#include "Clock.h"
#include "DesktopNotifier.h"
#include "FolderWatch.h"
#include "ReminderDriver.h"
#include "ReminderIndex.h"
#include "ReminderRequest.h"
#include "SummaryDayFile.h"
#include "WindowAsker.h"

class ReminderAgent : public QObject {
    Q_OBJECT

  public:
    struct Setup {
        QString folder;              // the data folder
        QDBusConnection bus;         // where the notification service is
        std::string summaryDayFile;  // where the day of the last summary is kept
        QString windowServer;        // the folder's window listens here
        WindowAsker::Starter startWindow;
        ReminderDriver::ClockSource clock = Clock::Now;
        std::ostream* errors = &std::cerr;  // a line for each file it could not read
        int settleMs = 250;                 // how long a changed file must stand still
    };

    explicit ReminderAgent(Setup setup, QObject* parent = nullptr);
    ~ReminderAgent() override;

    // Reads the folder and starts reminding, with the day's summary unless it
    // was given today. False, with nothing shown, when 通知する is off.
    [[nodiscard]] bool Start();

    // What the window asks over the agent's own socket: MarkedDone holds the
    // subject as done until the file is read again, End ends the agent.
    void Take(const ReminderRequest& request);

    const ReminderIndex& Index() const { return index_; }
    const ReminderDriver& Driver() const { return driver_; }

  signals:
    // Nothing more to do: 通知する was turned off, or the window asked.
    void Ended();
    // The individual subjects were read again after a change of their file.
    void Reread();

  private:
    std::string FileOf(const char* name) const;
    bool NotifyIsOn() const;
    void ReadSubjects();
    void OnChanged(const QString& name);
    void OnAsked(const ReminderRequest& request, WindowAsker::Way way);
    void End();

    Setup setup_;
    ReminderIndex index_;
    SummaryDayFile summaryDay_;
    DesktopNotifier notifier_;
    ReminderDriver driver_;
    WindowAsker asker_;
    std::unique_ptr<FolderWatch> watch_;
    bool ended_ = false;
};
