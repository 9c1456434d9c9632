// The first half of the batch: clearing individual subjects whose time is over,
// the untracked ones once their day has passed and the done ones 43 days on.
#pragma once

#include "SubjList.h"

// Removes every untracked subject dated before today and every done subject
// dated 43 or more days before today; open subjects and any other progress
// letter stay. Today is the local day of Clock::Now(). Leaves `current`
// undefined. Always 0.
int PurgeIndivSubj(IndivSubjList& indiv);
