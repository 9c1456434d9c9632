// Shows the month pane alone on sample subjects, to look at it on a real
// display in the desktop's palette or a dark one: this month with subjects in
// every state and a day with more than fit, and the days a weekly and a
// monthly subject call for that the batch has not generated.
//   show_month_pane [dark]
#include <QApplication>
#include <QDate>
#include <QScreen>

#include "DarkPalette.h"
#include "MonthPane.h"
#include "SjisCodec.h"

namespace {

std::string Sjis(const char* utf8) {
    return SjisFromQString(QString::fromUtf8(utf8)).value_or("");
}

void AddSamples(IndivSubjList& indiv, RepSubjList& rep) {
    const QDate today = QDate::currentDate();
    const struct {
        int days, hour;
        const char* title;
        Progress progress;
    } samples[] = {
        {-2, 9, "期限を過ぎた見積書", Progress::Open},
        {-1, 10, "完了した打ち合わせ", Progress::Done},
        {0, 23, "今日の未処理", Progress::Open},
        {0, 8, "朝の会議", Progress::NotTracked},
        {3, 9, "定例会議", Progress::Open},
        {3, 10, "歯医者", Progress::Open},
        {3, 11, "書類の提出", Progress::Open},
        {3, 12, "買い物", Progress::Open},
        {3, 13, "電話連絡", Progress::Open},
        {6, 14, "とても長い題名の案件", Progress::Open},
    };
    for (const auto& sample : samples) {
        const QDate date = today.addDays(sample.days);
        indiv.current = IndivSubj{};
        indiv.current.year = static_cast<std::int16_t>(date.year());
        indiv.current.month = static_cast<std::int16_t>(date.month());
        indiv.current.day = static_cast<std::int16_t>(date.day());
        indiv.current.hour = static_cast<std::int16_t>(sample.hour);
        indiv.current.title = Sjis(sample.title);
        indiv.current.progress = sample.progress;
        static_cast<void>(indiv.Insert());
    }
    rep.current = RepSubj{};
    rep.current.title = Sjis("毎週のごみ出し");
    rep.current.weekly[1] = 1;  // Tuesdays
    rep.current.progress = Progress::Open;
    static_cast<void>(rep.Insert());
    rep.current = RepSubj{};
    rep.current.title = Sjis("月末の締め");
    rep.current.monthlyDay = 28;
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
    // A magnified screen may have less room than the pane would like.
    pane.resize(pane.sizeHint().boundedTo(pane.screen()->availableSize() - QSize(16, 48)));
    pane.show();
    return QApplication::exec();
}
