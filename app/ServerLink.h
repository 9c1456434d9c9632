// The main window's link to the server: the connection settings and the
// steps the window runs with the server (fetch at start-up, the marker before
// a file is replaced, sending after a save, 同期, the settings dialog). Each
// step goes to the kind of server in use: the FTP steps, or the CalDAV sync
// (DavLink.h). Each step's outcome is a value, and what the user is told of
// it is built here.
#pragma once

#include <QString>

#include <functional>

#include "ConnectSettings.h"
#include "DavLink.h"
#include "ServerQuestions.h"
#include "ServerSync.h"

class DataFileSet;
class MessageService;
class QWidget;

// Whether the lists in memory took in what a merge wrote to a file.
enum class MergeTaken { Taken, OutOfMemory };

// The user's message for a merge the lists could not take in; empty when
// there is nothing to tell.
QString MergeTakenMessage(MergeTaken taken);

class ServerLink {
  public:
    // `messages` and `parent` must outlive the link; `parent` owns its dialogs.
    ServerLink(MessageService& messages, QWidget* parent);

    ConnectSettings& Settings() { return settings_; }
    DavLink& Dav() { return dav_; }

    // Reads the settings from the working folder's INI file; with the server
    // on, the memory that will hold the password is guarded from core files.
    void LoadSettings();
    // Fetches both data files when the server is on (with CalDAV, syncs the
    // dated subjects' file); the user has been told of every failure.
    [[nodiscard]] StartUpOutcome Fetch();
    // Puts the unsent marker of `fileName` on the disk when the server is on.
    [[nodiscard]] MarkOutcome MarkUnsent(const char* fileName);
    // Sends both data files when the server is on. What a merge with another
    // computer's save wrote to a file is taken into `files`, and then
    // `refill` shows the lists again.
    void Send(DataFileSet& files, const std::function<void()>& refill);
    // The 同期 command, on the saved files: Send, which with FTP also takes in
    // what another computer saved; with no server on, says so.
    void Sync(DataFileSet& files, const std::function<void()>& refill);
    // The connection settings dialog, which writes the INI file on OK.
    void RunConnectDialog();

  private:
    MessageService& messages_;
    QWidget* parent_;
    ServerQuestions questions_;
    ConnectSettings settings_;
    DavLink dav_;
};
