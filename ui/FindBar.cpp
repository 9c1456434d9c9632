#include "FindBar.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

FindBar::FindBar(QWidget* parent) : QWidget(parent), edit_(new QLineEdit(this)) {
    auto* label = new QLabel(QStringLiteral("検索(&F)"), this);
    label->setBuddy(edit_);
    auto* close = new QPushButton(QStringLiteral("閉じる"), this);
    close->setAutoDefault(false);
    close->setFocusPolicy(Qt::NoFocus);
    edit_->setObjectName(QStringLiteral("findEdit"));
    edit_->setAccessibleName(QStringLiteral("検索"));
    edit_->setClearButtonEnabled(true);
    close->setObjectName(QStringLiteral("findClose"));
    close->setAccessibleName(QStringLiteral("検索を閉じる"));
    setObjectName(QStringLiteral("findBar"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label);
    layout->addWidget(edit_, 1);
    layout->addWidget(close);
    connect(edit_, &QLineEdit::textChanged, this, &FindBar::TextChanged);
    connect(close, &QPushButton::clicked, this, &FindBar::CloseRequested);
}

QString FindBar::Needle() const {
    return Folded(edit_->text());
}

QString FindBar::Folded(const QString& text) {
    return text.normalized(QString::NormalizationForm_KC).toCaseFolded();
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
            emit Accepted();
            return;
        default:
            QWidget::keyPressEvent(event);
    }
}
