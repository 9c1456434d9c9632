// Wiping a secret the program holds, such as a server's password, before its
// memory is let go: every layer that keeps a copy (the settings, the FTP and
// CalDAV clients, the keyring) overwrites it with this one function.
#pragma once

#include <string>

// Overwrites every byte `text` holds, its spare capacity included, and
// leaves it empty.
void WipeText(std::string& text);
