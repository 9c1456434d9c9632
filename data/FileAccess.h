// Where the files beside a data file come into being: its backup, base copy,
// markers, copies fetched from the server, conflict files and dated copies
// all take the permission bits of the data file they belong to, so that a
// data file kept private never has a readable copy lying beside it.
#pragma once

#include <string>
#include <string_view>

class QFileDevice;

// Gives `file`, open for writing and not yet written, the permission bits of
// `dataFile`: a QFile just created, or a QSaveFile before its commit (its
// temporary file carries them to the final name). True when set, or when
// `dataFile` does not exist (the file keeps what the umask gave it); false
// when they could not be set, and the caller must not write.
[[nodiscard]] bool TakePermissionsOf(QFileDevice& file, const std::string& dataFile);

// The same for the closed file `fileName`, written by other means, before it
// is given its final name.
[[nodiscard]] bool TakePermissionsOf(const std::string& fileName, const std::string& dataFile);

// Replaces `fileName` with `bytes`, with the permission bits of `dataFile`,
// through QSaveFile: the new file appears whole or not at all, and is on the
// disk, folder entry included, once 0 is returned. -1: nothing was replaced.
[[nodiscard]] int WriteSideFile(const std::string& fileName, std::string_view bytes,
                                const std::string& dataFile);
