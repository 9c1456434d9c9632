// The server work of the main window: fetching both data files at start-up,
// sending them after a save, merging them with what another computer saved
// meanwhile, and the markers that keep changes the server never received
// from being overwritten by its older copies.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "SubjMerge.h"

struct ConnectSettings;
class MessageService;
class QWidget;

// Beside a local data file while it holds changes the server has not got.
inline constexpr const char* kUnsentSuffix = ".unsent";
// Where the server's copy of a file with unsent changes is fetched to.
inline constexpr const char* kServerCopySuffix = ".server";
// Where a save fetches the server's copy to before merging; gone afterwards.
inline constexpr const char* kIncomingSuffix = ".incoming";

// Start-up, when `settings.ftpMode` is 1 (does nothing otherwise): asks for
// the password when none is held, logs in once, and fetches both data files
// into the working directory, each one replacing the local file only when it
// arrived whole. A file with a marker is fetched beside it and merged into
// it (sync/SubjMerge.h); without a base copy the local file is kept and the
// server's stays beside it. A file the server does not have yet keeps the
// local one, marked to be sent. When the login or a fetch fails, asks
// whether to work on the local files (which then get their markers).
// EndWindow, after its messages, when the main window must end.
enum class StartUpOutcome { Go, EndWindow };
[[nodiscard]] StartUpOutcome FetchFromServer(ConnectSettings& settings, MessageService& messages,
                                             QWidget* parent);

// Puts the merged records of one list in memory and shows them: the main
// window's part of a merge at a save. The local file already holds them.
using AdoptMerged = std::function<void(SubjKind kind, const std::vector<RecordText>& records)>;

// After a save wrote both local files, when `settings.ftpMode` is 1 (does
// nothing otherwise): asks for the password when none is held and, over one
// login, fetches each server copy; when another computer changed it since
// the base copy, merges it into the local file and hands the result to
// `adopt`; then sends the file. A file sent loses its marker; a file not
// sent keeps it. One message tells what the merges took in and kept aside.
void SendToServer(ConnectSettings& settings, MessageService& messages, QWidget* parent,
                  const AdoptMerged& adopt = {});

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
