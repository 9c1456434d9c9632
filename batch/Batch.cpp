#include "Batch.h"

#include "ExpandRepSubj.h"
#include "PurgeIndivSubj.h"

std::string BatchQuestion() {
    std::string question;
    question += "・期限の過ぎた「進捗管理しない案件」を削除します。\n";
    question += "・本日から42日を過ぎた「完了した案件」を削除します。\n";
    question += "・本日から42日後までの案件を自動作成します。\n";
    question += "よろしいですか？";
    return question;
}

StoreResult RunBatch(RepSubjList& rep, IndivSubjList& indiv) {
    PurgeIndivSubj(indiv);
    return ExpandAllRepSubj(rep, indiv);
}
