// The two data files of a folder, read for a command that only looks at them:
// nothing is written, no copy is kept, and what a file could not give is told
// on the error stream while the rest is used.
#pragma once

#include <ostream>
#include <string>

#include "SubjList.h"

// Loads "veskat_i.dat" and "veskat_r.dat" of `folder` into the empty lists; a
// missing file is an empty list. Each file that did not load cleanly gets one
// line on `err` with its name and the number of lines not taken (or changed,
// or that it could not be read). False, with a line on `err` and nothing
// loaded, when `folder` is no folder.
bool LoadFolder(const std::string& folder, IndivSubjList& indiv, RepSubjList& rep,
                std::ostream& err);
