#include "ChangeCounts.h"

#include <QStringList>

QString CountsText(const ChangeCounts& counts) {
    QStringList parts;
    for (const auto& [what, count] :
         {std::pair{"削除", counts.removed}, {"追加", counts.added}, {"変更", counts.changed}}) {
        if (count > 0) {
            parts << QStringLiteral("%1 %2 件").arg(QString::fromUtf8(what)).arg(count);
        }
    }
    return parts.isEmpty() ? QStringLiteral("変更なし") : parts.join(QStringLiteral("、"));
}
