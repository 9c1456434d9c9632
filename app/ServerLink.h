// The save session's link to the server: the connection settings and the
// steps run with the server (fetch at start-up, the marker before a file is
// replaced, sending after a save, 同期, the settings dialog). The one place the
// session asks the server for anything. Each step goes to the kind of server
// in use: the FTP steps, or the CalDAV sync (DavLink.h); each step's outcome
// is a value, and the steps' questions and notices reach the user through
// ServerQuestions.
#pragma once

#include <vector>

#include "ConnectSettings.h"
#include "DavLink.h"
#include "ServerQuestions.h"
#include "ServerSync.h"

class MessageService;
class QWidget;

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
    // Sends both data files when the server is on; the lists a merge with
    // another computer's save wrote into their files come back with the outcome.
    // With CalDAV, the state is first told of `moves` (DavLink::NoteMoves).
    [[nodiscard]] SendResult Send(const SubjMoves& moves = {});
    // The 同期 command, on the saved files: Send, which with FTP also takes in
    // what another computer saved; with no server on, says so.
    [[nodiscard]] SendResult Sync();
    // Whether the subjects live in CalDAV task lists.
    bool DavOn() const;
    // The sync of the window's light look, with CalDAV on (DavLink::SyncQuietly).
    [[nodiscard]] SendResult SyncQuietly();
    // The connection settings dialog, which writes the INI file on OK.
    void RunConnectDialog();

  private:
    MessageService& messages_;
    QWidget* parent_;
    ServerQuestions questions_;
    ConnectSettings settings_;
    DavLink dav_;
};
