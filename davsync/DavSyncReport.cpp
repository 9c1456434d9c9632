#include "DavSyncReport.h"

#include <QStringList>

namespace {

// Appends `text` (UTF-8) with %1 the count, when the count is not 0.
void Count(QStringList& lines, int count, const char* text) {
    if (count > 0) {
        lines << QString::fromUtf8(text).arg(count);
    }
}

}  // namespace

bool DavSyncReport::HasNews() const {
    return taken > 0 || adopted > 0 || keptHere > 0 || resent > 0 || keptThere > 0 || refused > 0 ||
           unsent > 0 || conflicts > 0 || !stateSetAside.empty() || localNotWritten ||
           stateNotWritten;
}

QString DavSyncReport::Summary() const {
    QStringList lines;
    Count(lines, taken, "他の機器での変更を %1 件取り込みました。");
    if (conflicts > 0 && !conflictFile.empty()) {
        lines << QString::fromUtf8("食い違った個別案件 %1 件は %2 に残しました。")
                     .arg(QString::number(conflicts), QString::fromLocal8Bit(conflictFile));
    } else {
        Count(lines, conflicts,
              "食い違った個別案件 %1 件は別のファイルに残せなかったため、送りませんでした。");
    }
    Count(
        lines, keptHere,
        "他の機器で削除された個別案件 %1 件は、このコンピューターで変更されていたため残しました。");
    Count(lines, keptThere,
          "このコンピューターで削除した個別案件 %1 件は、他の機器で変更されていたため残しました。");
    Count(lines, resent,
          "前回の同期が途中で終わったため、個別案件 %1 件を送り直しました。"
          "他の機器で削除した案件でしたら、もう一度削除してください。");
    Count(lines, adopted,
          "サーバーの個別案件 %1 件を、日付と題名が同じこのコンピューターの案件に結び付けました。");
    Count(lines, marked, "日付と題名が他と重なる個別案件 %1 件は、題名に印を付けて表しています。");
    Count(lines, degraded,
          "表せない文字や長すぎる題名・内容のある個別案件 %1 件は、〓や省略で表しています。"
          "サーバーの内容はそのままです。");
    Count(lines, leftAlone,
          kind == SubjKind::Indiv
              ? "予定・日誌・繰り返しの ToDo・日付のない ToDo など、個別案件にできない %1 件は"
                "サーバーにそのまま残しました。"
              : "反復案件の形でない ToDo や予定など %1 件は、サーバーにそのまま残しました。");
    Count(lines, refused, "サーバーが受け付けなかった個別案件 %1 件は送れませんでした。");
    Count(lines, unsent, "個別案件 %1 件は送れませんでした。次の同期で送ります。");
    if (!stateSetAside.empty()) {
        lines << QString::fromUtf8(
                     "同期の記録が読めなかったため %1 に残し、案件を日付と題名で突き合わせました。")
                     .arg(QString::fromLocal8Bit(stateSetAside));
    }
    if (localNotWritten) {
        lines << QString::fromUtf8(
            "他の機器での変更をこのコンピューターのファイルに書けませんでした。次の同期で取り込みま"
            "す。");
    }
    if (stateNotWritten) {
        lines << QString::fromUtf8("同期の記録を書けませんでした。次の同期で突き合わせ直します。");
    }
    QString text = lines.join(QString());
    if (kind == SubjKind::Rep) {
        // A repeating subject is known by its title alone.
        text.replace(QString::fromUtf8("日付と題名"), QString::fromUtf8("題名"));
        text.replace(QString::fromUtf8("個別案件"), QString::fromUtf8("反復案件"));
    }
    return text;
}
