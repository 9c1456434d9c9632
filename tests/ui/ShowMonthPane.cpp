// Shows the month pane alone on sample subjects, to look at it on a real
// display in the desktop's palette or a dark one: this month with subjects in
// every state, a day with more than fit, and the days a weekly and a monthly
// subject call for that the batch has not generated (the months after next).
//   show_month_pane [dark]
#include <QApplication>
#include <QDate>
#include <QScreen>

#include "DarkPalette.h"
#include "MonthPane.h"
#include "SjisCodec.h"

namespace {

void Add(IndivSubjList& list, const QDate& date, int hour, const QString& title,
         Progress progress) {
    IndivSubj& subj = list.current;
    subj = IndivSubj{};
    subj.year = static_cast<std::int16_t>(date.year());
    subj.month = static_cast<std::int16_t>(date.month());
    subj.day = static_cast<std::int16_t>(date.day());
    subj.hour = static_cast<std::int16_t>(hour);
    subj.title = SjisFromQString(title).value_or("");
    subj.progress = progress;
    static_cast<void>(list.Insert());
}

void AddSamples(IndivSubjList& indiv, RepSubjList& rep) {
    const QDate today = QDate::currentDate();
    Add(indiv, today.addDays(-2), 9, QStringLiteral("期限を過ぎた見積書"), Progress::Open);
    Add(indiv, today.addDays(-1), 10, QStringLiteral("完了した打ち合わせ"), Progress::Done);
    Add(indiv, today, 23, QStringLiteral("今日の未処理"), Progress::Open);
    Add(indiv, today, 8, QStringLiteral("朝の会議"), Progress::NotTracked);
    const QStringList busy = {QStringLiteral("定例会議"), QStringLiteral("歯医者"),
                              QStringLiteral("書類の提出"), QStringLiteral("買い物"),
                              QStringLiteral("電話連絡")};
    for (int i = 0; i < busy.size(); ++i) {
        Add(indiv, today.addDays(3), 9 + i, busy[i], Progress::Open);
    }
    Add(indiv, today.addDays(6), 14, QStringLiteral("とても長い題名の案件でセルに収まらない"),
        Progress::Open);
    rep.current = RepSubj{};
    rep.current.title = SjisFromQString(QStringLiteral("毎週のごみ出し")).value_or("");
    rep.current.weekly[1] = 1;  // Tuesday
    rep.current.hour = 7;
    rep.current.progress = Progress::Open;
    static_cast<void>(rep.Insert());
    rep.current = RepSubj{};
    rep.current.title = SjisFromQString(QStringLiteral("月末の締め")).value_or("");
    rep.current.monthlyDay = 28;
    rep.current.hour = 17;
    rep.current.progress = Progress::NotTracked;
    static_cast<void>(rep.Insert());
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    DarkWhenAsked(argc, argv);
    IndivSubjList indiv;
    RepSubjList rep;
    AddSamples(indiv, rep);
    MonthPane pane;
    pane.SetSource([&](int year, int month) { return ReadMonthSheet(indiv, rep, year, month); });
    pane.setWindowTitle(QStringLiteral("month pane"));
    // A magnified screen may have less room than the pane would like.
    const QSize room = pane.screen()->availableSize() - QSize(16, 48);
    pane.resize(pane.sizeHint().boundedTo(room));
    pane.show();
    return QApplication::exec();
}
