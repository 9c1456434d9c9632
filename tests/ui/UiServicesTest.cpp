// The services every window is built from: the Shift_JIS converter, the list
// view's order and exact bytes, and dialogs built from their templates.
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "ControlById.h"
#include "MainDialogButtons.h"
#include "ResourceIds.h"
#include "SjisCodec.h"
#include "SubjListView.h"
#include "TemplateDialog.h"

using namespace MainDialogIds;

class UiServicesTest : public QObject {
    Q_OBJECT

  private slots:
    void converterRoundTripsJapaneseText() {
        QVERIFY(SjisCodecAvailable());
        const std::string bytes = "\x89\xEF\x8B\x63 \xB6\xB2\xB7\xDE abc";  // 会議 ｶｲｷﾞ abc
        const QString text = SjisToQString(bytes);
        QCOMPARE(text, QString::fromUtf8("会議 ｶｲｷﾞ abc"));
        QCOMPARE(SjisFromQString(text).value(), bytes);
        QCOMPARE(SjisLength(text), bytes.size());
    }

    void converterMapsOtherDesktopsCharactersAndRefusesTheRest() {
        QCOMPARE(SjisFromQString(QString::fromUtf8("〜−‖—¢£¬")).value(),
                 SjisFromQString(QString::fromUtf8("～－∥―￠￡￢")).value());
        QVERIFY(!SjisFromQString(QString::fromUtf8("予定 😀")).has_value());
        QVERIFY(!SjisFromQString(QString::fromUtf8("Ελληνικά")).has_value());
        QCOMPARE(FirstUnencodable(QString::fromUtf8("ok 😀 x")).value(), QString::fromUtf8("😀"));
        QVERIFY(!FirstUnencodable(QString::fromUtf8("〜")).has_value());
        // The converter's substitute may read back as U+FFFD: never a match.
        QVERIFY(!SjisFromQString(QString(QChar::ReplacementCharacter)).has_value());
        QCOMPARE(SjisFromQString(QStringLiteral("a")).value(), std::string("a"));
    }

    void aLoneLeadByteDoesNotReachIntoTheNextText() {
        (void)SjisToQString("abc\x82");
        QCOMPARE(SjisToQString("A"), QStringLiteral("A"));
    }

    void listViewKeepsRowsInByteOrderOfTheFirstColumn() {
        SubjListView view;
        view.InsertColumn(0, QStringLiteral("t"), 100);
        view.InsertColumn(1, QStringLiteral("u"), 100);
        std::vector<std::string> model;
        std::mt19937 rng(5);
        const char* pieces[] = {"2024/01/0", "\x89\xEF", "\xB6", "a", "B", "\xFA\x5C"};
        for (int i = 0; i < 300; ++i) {
            std::string first = std::string(pieces[rng() % 6]) + pieces[rng() % 6];
            int at = view.InsertRowSjis(static_cast<int>(rng() % 5), first, i % 4);
            view.SetCellSjis(at, 1, std::to_string(i));
            model.insert(std::upper_bound(model.begin(), model.end(), first,
                                          [](const std::string& a, const std::string& b) {
                                              return std::lexicographical_compare(
                                                  a.begin(), a.end(), b.begin(), b.end(),
                                                  [](char x, char y) {
                                                      return static_cast<unsigned char>(x) <
                                                             static_cast<unsigned char>(y);
                                                  });
                                          }),
                         first);
            if (i % 7 == 0) {
                int gone = static_cast<int>(rng() % static_cast<unsigned>(view.RowCount()));
                model.erase(model.begin() + gone);
                QVERIFY(view.RemoveRow(gone));
            }
        }
        QCOMPARE(view.RowCount(), static_cast<int>(model.size()));
        for (int row = 0; row < view.RowCount(); ++row) {
            QCOMPARE(view.CellSjis(row, 0), model[static_cast<std::size_t>(row)]);
        }
        view.RemoveAllRows();
        QCOMPARE(view.RowCount(), 0);
    }

    void listViewGivesBackTheExactBytesOfARow() {
        // 0xED40 decodes to a character that encodes back as 0xFA5C.
        const std::string nec = "\xED\x40";
        QCOMPARE(SjisFromQString(SjisToQString(nec)).value(), std::string("\xFA\x5C"));
        SubjListView view;
        view.InsertColumn(0, QStringLiteral("t"), 100);
        int row = view.InsertRowSjis(0, nec, 2);
        QCOMPARE(view.CellSjis(row, 0), nec);
        QCOMPARE(view.RowImage(row), 2);
        QCOMPARE(view.HotRow(), -1);
        QCOMPARE(view.SelectionMark(), -1);
    }

    void mainTemplateBuildsItsControlsById() {
        TemplateDialog dialog(kMainDialogId);
        QWidget* previous = nullptr;
        for (const ExpectedButton& b : kMainDialogButtons) {
            auto* button = ControlById<QPushButton>(&dialog, b.id);
            QVERIFY2(button != nullptr, qPrintable(QString::number(b.id)));
            QCOMPARE(button->text(), QString::fromUtf8(b.caption));
            QCOMPARE(ControlIdOf(button), b.id);
            QVERIFY(button->width() > button->height());
            if (previous != nullptr) {
                QVERIFY(previous->x() < button->x());
            }
            previous = button;
        }
        QCOMPARE(ControlById<QRadioButton>(&dialog, kIndivRadioId)->text(),
                 QString::fromUtf8("個別案件"));
        QCOMPARE(ControlById<QRadioButton>(&dialog, kRepRadioId)->text(),
                 QString::fromUtf8("反復案件"));
        QVERIFY(ControlById<QPushButton>(&dialog, kIndivRadioId) == nullptr);
    }
};

QTEST_MAIN(UiServicesTest)
#include "UiServicesTest.moc"
