// How many subjects a command or a kept version takes out, puts in and rewrites, in the words
// every window uses for them: the undo entries, the restore window and the line a command leaves
// under the list all read "削除 16 件、変更 2 件" for the same change.
#pragma once

#include <QString>

struct ChangeCounts {
    long long removed = 0;
    long long added = 0;
    long long changed = 0;  // in both before and after, with other texts
};

// "削除 N 件、追加 N 件、変更 N 件", leaving out the kinds of which there are none, in that
// order; "変更なし" when there is nothing at all.
QString CountsText(const ChangeCounts& counts);
