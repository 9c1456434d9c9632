// The server steps of the program: fetching both data files at start-up,
// sending them after a save, merging them with what another computer saved
// meanwhile, and the markers that keep changes the server never received
// from being overwritten by its older copies. No widgets: what the steps ask
// and show goes through SyncQuestions, the server sits behind ServerStore,
// and what the start-up does with each file is FetchDecision.h. The whole
// protocol is written down in docs/sync.md.
#pragma once

#include <string>
#include <vector>

#include "SubjMerge.h"

struct ConnectSettings;
class SyncQuestions;

// Beside a local data file while it holds changes the server has not got.
inline constexpr const char* kUnsentSuffix = ".unsent";
// Where the server's copy of a file with unsent changes is fetched to.
inline constexpr const char* kServerCopySuffix = ".server";
// Where a save fetches the server's copy to before merging; gone afterwards.
inline constexpr const char* kIncomingSuffix = ".incoming";

// Start-up, when `settings.ftpMode` is 1 (does nothing otherwise): asks for
// the password when none is held, logs in once, and fetches both data files
// into the working directory, each one doing what DecideFetch says of it; no
// local file is replaced without its version kept first. When the login or a
// fetch fails, asks whether to work on the local files (which then get their
// markers). EndWindow, after its messages, when the main window must end.
enum class StartUpOutcome { Go, EndWindow };
[[nodiscard]] StartUpOutcome FetchFromServer(ConnectSettings& settings, SyncQuestions& questions);

// One list a save's merge wrote into its local file: the lists in memory
// must take it in, as what was there before is gone from the file.
struct MergedList {
    SubjKind kind;
    std::vector<RecordText> records;
};

enum class SendOutcome {
    ServerOff,  // nothing done
    Sent,       // both files are on the server
    NotSent,    // at least one is not; it keeps its marker, and the user was told
};

struct SendResult {
    SendOutcome outcome = SendOutcome::ServerOff;
    // In the order written; a later one of a kind supersedes an earlier.
    std::vector<MergedList> merged;
};

// After a save wrote both local files, when `settings.ftpMode` is 1 (does
// nothing otherwise): asks for the password when none is held and, over one
// login and one step on the server, fetches each server copy; when another
// computer changed it since the base copy, merges it into the local file;
// then sends the file. A file sent loses its marker; a file not sent keeps
// it. Nothing is sent over a server copy that could not be read. One message
// tells what the merges took in and kept aside.
[[nodiscard]] SendResult SendToServer(ConnectSettings& settings, SyncQuestions& questions);

// Before `localFile` is replaced, when `settings.ftpMode` is 1: puts its
// marker on the disk, so that neither a failed save nor a program killed in
// mid-upload lets the next start-up fetch the server's older copy over it.
// NotMarked when the marker could not be written; Marked with the server off.
enum class MarkOutcome { Marked, NotMarked };
[[nodiscard]] MarkOutcome MarkUnsent(const ConnectSettings& settings, const std::string& localFile);

// When `settings.ftpMode` is 1: marks both data files as unsent. A marker
// that cannot be written is tried again before the next save replaces its
// file, which that save refuses to do without it.
void LocalSaveNotSent(const ConnectSettings& settings);

// True when `localFile` carries the unsent marker.
[[nodiscard]] bool HasUnsentMarker(const std::string& localFile);
