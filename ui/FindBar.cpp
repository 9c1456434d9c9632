#include "FindBar.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

namespace {

// The letters of the katakana block that have a hiragana twin, ァ to ヶ.
constexpr char16_t kFirstKatakana = u'\u30A1';
constexpr char16_t kLastKatakana = u'\u30F6';
constexpr char16_t kKatakanaToHiragana = 0x60;

}  // namespace

FindBar::FindBar(QWidget* parent)
    : QWidget(parent), edit_(new QLineEdit(this)), hits_(new QLabel(this)) {
    auto* label = new QLabel(QStringLiteral("検索(&F)"), this);
    label->setBuddy(edit_);
    auto* close = new QPushButton(QStringLiteral("閉じる"), this);
    close->setAutoDefault(false);
    close->setFocusPolicy(Qt::NoFocus);
    edit_->setObjectName(QStringLiteral("findEdit"));
    edit_->setAccessibleName(QStringLiteral("検索"));
    edit_->setClearButtonEnabled(true);
    for (QToolButton* clear : edit_->findChildren<QToolButton*>()) {
        clear->setAccessibleName(QStringLiteral("検索文字を消去"));
    }
    close->setObjectName(QStringLiteral("findClose"));
    close->setAccessibleName(QStringLiteral("検索を閉じる"));
    setObjectName(QStringLiteral("findBar"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label);
    layout->addWidget(edit_, 1);
    layout->addWidget(hits_);
    layout->addWidget(close);
    hits_->setObjectName(QStringLiteral("findHits"));
    hits_->hide();
    connect(edit_, &QLineEdit::textChanged, this, &FindBar::TextChanged);
    connect(close, &QPushButton::clicked, this, &FindBar::CloseRequested);
}

QString FindBar::Needle() const {
    return Folded(edit_->text());
}

// Half-width katakana become full-width ones first, their voicing marks
// joined, so that ｺﾞﾐ, ゴミ and ごみ end alike.
QString FindBar::Folded(const QString& text) {
    QString folded = text.normalized(QString::NormalizationForm_KC).toCaseFolded();
    for (QChar& c : folded) {
        if (c.unicode() >= kFirstKatakana && c.unicode() <= kLastKatakana) {
            c = QChar(static_cast<char16_t>(c.unicode() - kKatakanaToHiragana));
        }
    }
    return folded;
}

void FindBar::ShowHits(int count) {
    hits_->setText(QStringLiteral("%1 件").arg(count));
    hits_->setVisible(count >= 0);
}

// The field takes Esc and Enter itself, so that they never reach the window
// as its close request.
void FindBar::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
            event->accept();
            emit CloseRequested();
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            event->accept();
            emit Stepped(!(event->modifiers() & Qt::ShiftModifier));
            return;
        default:
            QWidget::keyPressEvent(event);
    }
}
