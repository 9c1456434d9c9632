// The main window's push buttons with their captions, in template order, as
// both the dialog builder's tests and the main window's tests expect them.
#pragma once

#include "ResourceIds.h"

struct ExpectedButton {
    int id;
    const char* caption;  // UTF-8
};

inline constexpr ExpectedButton kMainDialogButtons[] = {
    {MainDialogIds::kAddId, "追加"},
    {MainDialogIds::kDeleteId, "削除"},
    {MainDialogIds::kBatchId, "一括"},
    {MainDialogIds::kSaveId, "保存"},
    {MainDialogIds::kSaveExitId, "保存・終了"},
};
