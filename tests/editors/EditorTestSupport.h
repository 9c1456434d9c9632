// Driving an editor dialog as a user would in the editor tests: a script runs
// once the dialog is up, typing into controls found by id and pressing OK or
// Cancel; a dialog the script left open is cancelled.
#pragma once

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <string>

#include "ResourceIds.h"
#include "SjisCodec.h"
#include "StoreResult.h"
#include "TemplateDialog.h"

// Shift_JIS bytes of a literal, for subject data in tests.
inline std::string Sjis(const QString& text) {
    return SjisFromQString(text).value();
}

// Runs `dialog` modally; `script` runs once it is shown. Returns exec()'s code.
inline int RunDialog(TemplateDialog& dialog, const std::function<void()>& script) {
    QTimer::singleShot(0, &dialog, [&] {
        script();
        if (dialog.isVisible()) {
            QTest::mouseClick(dialog.Control<QPushButton>(kIdCancel), Qt::LeftButton);
        }
    });
    return dialog.exec();
}

inline void PressOk(TemplateDialog& dialog) {
    QTest::mouseClick(dialog.Control<QPushButton>(kIdOk), Qt::LeftButton);
}

// Types `text` into the focused `edit`: ASCII as key presses, anything else
// as an input method hands it over, one character at a time.
inline void Type(QWidget* edit, const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.unicode() >= 0x20 && c.unicode() < 0x7F) {
            QTest::keyClicks(edit, QString(c));
            continue;
        }
        const qsizetype length = (c.isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        QInputMethodEvent commit;
        commit.setCommitString(text.mid(i, length));
        QApplication::sendEvent(edit, &commit);
        i += length - 1;
    }
}

// Replaces the text of an edit by typing: select all, then the keys.
inline void Retype(QWidget* edit, const QString& text) {
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    if (text.isEmpty()) {
        QTest::keyClick(edit, Qt::Key_Delete);
    } else {
        Type(edit, text);
    }
}

// Pastes `text` at the cursor of `edit` through the clipboard.
inline void Paste(QWidget* edit, const QString& text) {
    QApplication::clipboard()->setText(text);
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
}

// Chooses item `item` of a drop-down list as the keyboard does.
inline void Choose(QComboBox* list, int item) {
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Home);
    for (int i = 0; i < item; ++i) {
        QTest::keyClick(list, Qt::Key_Down);
    }
}

inline QString PlainText(QWidget* edit) {
    if (auto* line = qobject_cast<QLineEdit*>(edit)) {
        return line->text();
    }
    return qobject_cast<QPlainTextEdit*>(edit)->toPlainText();
}

// The number of subjects in a subject list.
template <class List>
int Count(List& list) {
    int count = 0;
    for (StoreResult r = list.First(); r == StoreResult::Done; r = list.Next()) {
        ++count;
    }
    return count;
}

// Empties a subject list; lists cannot be assigned.
template <class List>
void Clear(List& list) {
    while (list.First() == StoreResult::Done) {
        static_cast<void>(list.Remove());  // First just reached it
    }
}
