// The individual subjects the benchmarks fill their lists and data files with:
// numbered, spread over thirty years of dates and every hour, each with a kanji
// title and two lines of content, a third of them done.
#pragma once

#include <string>

#include "SubjList.h"

inline IndivSubj NumberedIndivSubj(int n) {
    IndivSubj subj;
    subj.year = static_cast<std::int16_t>(2000 + n % 30);
    subj.month = static_cast<std::int16_t>(1 + n % 12);
    subj.day = static_cast<std::int16_t>(1 + n % 28);
    subj.hour = static_cast<std::int16_t>(n % 24);
    subj.title = "\x89\xEF\x8B\x63 subject " + std::to_string(n);  // 会議
    subj.progress = n % 3 == 0 ? Progress::Done : Progress::Open;
    subj.content = "\x93\xE0\x97\x65<br>line two of subject " + std::to_string(n);  // 内容
    return subj;
}

// Inserts subjects 0 .. count-1 into `list`.
inline void FillNumbered(IndivSubjList& list, int count) {
    for (int n = 0; n < count; ++n) {
        list.current = NumberedIndivSubj(n);
        static_cast<void>(list.Insert());
    }
}

// Writes the two data files into `folder`: `count` numbered individual
// subjects and one repeating one.
inline void WriteDataFiles(const std::string& folder, int count) {
    IndivSubjList indiv;
    FillNumbered(indiv, count);
    static_cast<void>(indiv.Save(folder + "/" + kIndivFileName));
    RepSubjList rep;
    rep.current.title = "weekly";
    static_cast<void>(rep.Insert());
    static_cast<void>(rep.Save(folder + "/" + kRepFileName));
}
