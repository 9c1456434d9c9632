// Shows how the program looks on a real display, in the desktop's palette or
// a dark one: the main window on sample subjects in every state, and beside it
// the desktop icons of res/icons at every size with icon 136 and the four
// state images, at their own size and enlarged four times.
//   show_looks [dark]
// The sample data lives in a temporary folder that goes when the window ends.
#include <QApplication>
#include <QDate>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QTemporaryDir>

#include "DarkPalette.h"
#include "ImageResource.h"
#include "QtMessageService.h"
#include "SjisCodec.h"
#include "SubjList.h"
#include "SubjListDlg.h"

namespace {

void AddSubject(IndivSubjList& list, const QDateTime& when, const QString& title,
                Progress progress) {
    IndivSubj& subj = list.current;
    subj = IndivSubj{};
    subj.year = static_cast<std::int16_t>(when.date().year());
    subj.month = static_cast<std::int16_t>(when.date().month());
    subj.day = static_cast<std::int16_t>(when.date().day());
    subj.hour = static_cast<std::int16_t>(when.time().hour());
    subj.minute = static_cast<std::int16_t>(when.time().minute());
    subj.title = SjisFromQString(title).value_or("");
    subj.progress = progress;
    static_cast<void>(list.Insert());  // a sample to look at
}

void WriteSampleData() {
    const QDateTime now = QDateTime::currentDateTime();
    IndivSubjList list;
    AddSubject(list, now.addDays(-3), QStringLiteral("期限を過ぎた未処理の案件"), Progress::Open);
    AddSubject(list, now.addDays(-2), QStringLiteral("完了した案件"), Progress::Done);
    AddSubject(list, now.addDays(1), QStringLiteral("管理しない案件"), Progress::NotTracked);
    AddSubject(list, now.addDays(4), QStringLiteral("これからの未処理の案件"), Progress::Open);
    static_cast<void>(list.Save(kIndivFileName));  // unsaved, the window shows no rows to look at
}

QPixmap Enlarged(const QPixmap& pixmap) {
    return pixmap.scaled(pixmap.size() * 4, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

// The icons in two rows, as they are and enlarged.
QWidget* IconSheet() {
    auto* sheet = new QWidget;
    sheet->setWindowTitle(QStringLiteral("veskat icons"));
    auto* grid = new QGridLayout(sheet);
    std::vector<QPixmap> pictures;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        pictures.emplace_back(QStringLiteral(VESKAT_ICON_DIR "/veskat-%1.png").arg(size));
    }
    pictures.emplace_back(AppIconXpm());
    const QPixmap states(StateImagesXpm());
    for (int i = 0; i < kStateImageCount; ++i) {
        pictures.push_back(states.copy(i * kStateImageSize, 0, kStateImageSize, kStateImageSize));
    }
    int column = 0;
    for (const QPixmap& picture : pictures) {
        auto* plain = new QLabel;
        plain->setPixmap(picture);
        grid->addWidget(plain, 0, column, Qt::AlignCenter);
        if (picture.width() <= 32) {
            auto* big = new QLabel;
            big->setPixmap(Enlarged(picture));
            grid->addWidget(big, 1, column, Qt::AlignCenter);
        }
        ++column;
    }
    return sheet;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    DarkWhenAsked(argc, argv);
    QTemporaryDir folder;
    if (!folder.isValid() || !QDir::setCurrent(folder.path())) {
        return 1;
    }
    WriteSampleData();
    QWidget* sheet = IconSheet();
    sheet->move(0, 520);
    sheet->show();
    QtMessageService messages;
    CSubjListDlg window(messages);
    window.move(0, 0);
    window.DoModal();
    delete sheet;
    return 0;
}
