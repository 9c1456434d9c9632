// The batch command as the main window offers it: the question asked before
// it runs, and the purge and generation it runs on Yes.
#pragma once

#include <string>

#include "SubjList.h"

// The confirmation question, UTF-8, in four lines: what is deleted, what is
// deleted, what is created, and "よろしいですか？".
std::string BatchQuestion();

// PurgeIndivSubj on `indiv`, then ExpandAllRepSubj from `rep` into it; the
// purge goes first, so a subject generated for today is never purged by the
// same run. Results as ExpandAllRepSubj.
StoreResult RunBatch(RepSubjList& rep, IndivSubjList& indiv);
