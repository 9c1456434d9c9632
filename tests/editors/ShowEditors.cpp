// Opens one editor on a sample subject, for looking at it on a real display:
//   show_editors indiv | rep [dark]
// The dialog runs until it is closed; nothing is written anywhere.
#include <QApplication>
#include <cstring>

#include "DarkPalette.h"
#include "DialogIndivSubj.h"
#include "DialogRepSubj.h"
#include "EditorTestSupport.h"
#include "ScriptedMessageService.h"

namespace {

int ShowIndiv(MessageService& messages) {
    IndivSubjList list;
    list.current.year = 2024;
    list.current.month = 3;
    list.current.day = 14;
    list.current.hour = 10;
    list.current.minute = 30;
    list.current.title = Sjis(QStringLiteral("歯医者の予約 〜 定期検診"));
    list.current.content = Sjis(QStringLiteral("保険証を持っていく<br>駅前の医院、三階"));
    list.current.progress = Progress::Open;
    static_cast<void>(list.Insert());  // a sample to look at; an empty list shows as well
    CDialogIndivSubj dialog(EditorMode::Edit, messages);
    dialog.list = &list;
    return dialog.exec();
}

int ShowRep(MessageService& messages) {
    RepSubjList list;
    list.current.title = Sjis(QStringLiteral("燃えるゴミ出し"));
    list.current.hour = 7;
    list.current.minute = 45;
    list.current.content = Sjis(QStringLiteral("八時までに集積所へ"));
    list.current.progress = Progress::Open;
    list.current.monthlyWeek = 2;
    list.current.monthlyWeekday = 3;
    list.current.weekly = {1, 0, 0, 1, 0, 0, 0};
    static_cast<void>(list.Insert());  // a sample to look at; an empty list shows as well
    CDialogRepSubj dialog(EditorMode::Edit, messages);
    dialog.list = &list;
    return dialog.exec();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    DarkWhenAsked(argc, argv);
    ScriptedMessageService messages;
    const bool rep = argc > 1 && std::strcmp(argv[1], "rep") == 0;
    return rep ? ShowRep(messages) : ShowIndiv(messages);
}
