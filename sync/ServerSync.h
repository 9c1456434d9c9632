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
// files over one login. A file not sent gets its marker, a file sent loses it.
void SendToServer(ConnectSettings& settings, MessageService& messages, QWidget* parent);

// After the local files were written without sending them (the close
// question's Yes), when `settings.ftpMode` is 1: marks both as unsent.
void LocalSaveNotSent(const ConnectSettings& settings);

// True when `localFile` carries the unsent marker.
bool HasUnsentMarker(const std::string& localFile);
