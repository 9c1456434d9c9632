// The server work of the main window: fetching both data files at start-up,
// sending them after a save, and the markers that keep changes the server
// never received from being overwritten by its older copies.
#pragma once

#include <string>

struct ConnectSettings;
class MessageService;
class QWidget;

// Beside a local data file while it holds changes the server has not got.
inline constexpr const char* kUnsentSuffix = ".unsent";
// Where the server's copy of a file with unsent changes is fetched to.
inline constexpr const char* kServerCopySuffix = ".server";

// Start-up, when `settings.ftpMode` is 1 (does nothing otherwise): asks for
// the password when none is held, logs in, and fetches both data files into
// the working directory, each one replacing the local file only when it
// arrived whole; a file with a marker is fetched beside it instead. Returns
// false, after its messages, when the main window must end.
bool FetchFromServer(ConnectSettings& settings, MessageService& messages, QWidget* parent);

// After a save wrote both local files, when `settings.ftpMode` is 1 (does
// nothing otherwise): asks for the password when none is held and sends both
// files over one login. A file sent loses its marker; a file not sent keeps it.
void SendToServer(ConnectSettings& settings, MessageService& messages, QWidget* parent);

// Before `localFile` is replaced, when `settings.ftpMode` is 1: puts its
// marker on the disk, so that neither a failed save nor a program killed in
// mid-upload lets the next start-up fetch the server's older copy over it.
// False when the marker could not be written; true with the server off.
bool MarkUnsent(const ConnectSettings& settings, const std::string& localFile);

// When `settings.ftpMode` is 1: marks both data files as unsent.
void LocalSaveNotSent(const ConnectSettings& settings);

// True when `localFile` carries the unsent marker.
bool HasUnsentMarker(const std::string& localFile);
