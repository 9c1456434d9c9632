// Makes a file's new directory entry durable: after a rename has replaced a
// file, the folder itself must reach the disk for the new name to survive a
// power cut.
#pragma once

#include <string>

// Flushes the folder that holds `fileName`; does nothing where the system
// offers no way to.
void SyncDirectoryOf(const std::string& fileName);
