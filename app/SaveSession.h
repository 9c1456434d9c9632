// The main window's save session: the two data files with the lists read
// from them (DataFileSet) and the server they are kept on (ServerLink), and
// what the window does with them: load them at start-up, save them (both
// files written, then sent), and take in what a merge with another
// computer's save wrote to a file. Every way the window saves comes here, so
// no save can write the files and leave the server without them. What the
// user must hear of a step is told here; the window learns the outcome.
#pragma once

#include <functional>
#include <vector>

#include "DataFileSet.h"
#include "ServerLink.h"

class MessageService;
class QWidget;

// What a save came to.
enum class [[nodiscard]] SaveOutcome{
    Saved,     // both files are as their lists; no server to send them to
    Sent,      // both files are as their lists and on the server
    NotSent,   // both files are as their lists, but at least one is not on the
               // server: it keeps its unsent marker, and the user was told
    NotSaved,  // a file was left as it was (the other may have been written);
               // nothing was sent, and the user was told
};

class SaveSession {
  public:
    // Called once the lists took in what a merge wrote, so that whatever
    // shows them can show them again.
    using TakenIn = std::function<void()>;

    // `messages` and `parent` must outlive the session; `parent` owns its dialogs.
    SaveSession(MessageService& messages, QWidget* parent);

    IndivSubjList& Indiv() { return files_.Indiv(); }
    RepSubjList& Rep() { return files_.Rep(); }
    DataFileSet& Files() { return files_; }
    ConnectSettings& Settings() { return server_.Settings(); }
    ServerLink& Server() { return server_; }

    // The connection settings, from the working folder's INI file.
    void LoadSettings();
    // Fetches both data files when the server is on, then loads them
    // (LoadFiles). EndWindow when the fetch says the window must end; the
    // user has been told of every failure.
    [[nodiscard]] StartUpOutcome Load();
    // Loads both data files as they are on the disk into the empty lists,
    // telling the user of each that did not load cleanly.
    void LoadFiles();
    // The next LoadFiles takes each file that `ahead` loaded and is unchanged
    // since from it; `ahead` must outlive that load.
    void LoadFrom(LoadAhead& ahead) { ahead_ = &ahead; }

    // Writes both data files, each behind its unsent marker, then, when both
    // are as their lists and the server is on, sends them. What a merge with
    // another computer's save wrote is taken into the lists, and `takenIn`
    // runs before the user hears of anything the lists could not take.
    // `moves` are the subjects the edits since the last save moved to other
    // keys (EditHistory::KeyMoves), for the CalDAV sync to keep their items by.
    SaveOutcome Save(const TakenIn& takenIn, const SubjMoves& moves = {});
    // The 同期 command, on the saved files: sends them, and with FTP takes in
    // what another computer saved, as Save does; with no server on, says so.
    void Sync(const TakenIn& takenIn);
    // The sync of the window's light look (ServerWatch.h), on the saved
    // files: what other devices changed is taken in as Save takes in a merge.
    // False unless both sides agree afterwards (the server away included).
    bool SyncQuietly(const TakenIn& takenIn);

    // The connection settings dialog, which writes the INI file on OK.
    void Connect();

  private:
    // Makes the lists hold what the merges wrote to their files.
    void TakeIn(const std::vector<MergedList>& merged, const TakenIn& takenIn);

    MessageService& messages_;
    QWidget* parent_;
    DataFileSet files_;
    ServerLink server_;
    LoadAhead* ahead_ = nullptr;
};
