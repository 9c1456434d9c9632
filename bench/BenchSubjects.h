// The individual subjects the benchmarks fill their lists and data files with:
// numbered, spread over thirty years of dates and every hour, each with a kanji
// title and two lines of content, a third of them done.
#pragma once

#include <QDir>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "SubjList.h"

// Ends the run when making a benchmark's data did not go through: figures
// over other data than the benchmark names would mislead.
inline void Require(StoreResult result) {
    if (result != StoreResult::Done) {
        std::fprintf(stderr, "bench: making the data failed (%d)\n", ResultCode(result));
        std::exit(EXIT_FAILURE);
    }
}

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
        Require(list.Insert());
    }
}

// Writes the two data files into `folder`: `count` numbered individual
// subjects and one repeating one.
inline void WriteDataFiles(const std::string& folder, int count) {
    IndivSubjList indiv;
    FillNumbered(indiv, count);
    Require(indiv.Save(folder + "/" + kIndivFileName));
    RepSubjList rep;
    rep.current.title = "weekly";
    Require(rep.Insert());
    Require(rep.Save(folder + "/" + kRepFileName));
}

// A fresh working folder, made current for as long as this lives, holding
// the data files of `count` numbered subjects and one repeating one.
class DataFolder {
  public:
    explicit DataFolder(int count) : previous_(QDir::currentPath()) {
        QDir::setCurrent(dir_.path());
        WriteDataFiles(dir_.path().toStdString(), count);
    }
    ~DataFolder() { QDir::setCurrent(previous_); }
    DataFolder(const DataFolder&) = delete;
    DataFolder& operator=(const DataFolder&) = delete;

  private:
    QTemporaryDir dir_;
    QString previous_;
};
