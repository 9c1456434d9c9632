#include "TemplateDialog.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QResizeEvent>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>
#include <algorithm>
#include <utility>
#include <vector>

#include "AppWindowAccessible.h"
#include "ControlLabels.h"
#include "DialogTemplate.h"
#include "DialogUnits.h"
#include "DropDownAccessible.h"
#include "ImageResource.h"
#include "IndicatorStyle.h"
#include "MenuResource.h"
#include "MessageService.h"
#include "ResourceIds.h"
#include "ScreenFit.h"
#include "StretchLayout.h"
#include "SubjListView.h"

namespace {

QString Caption(const ControlTemplate& control) {
    return QString::fromStdString(control.caption);
}

QWidget* CreateButton(const ControlTemplate& control) {
    auto* button = new QPushButton(Caption(control));
    // The dialog decides what Enter does, so no button makes itself default on focus.
    button->setAutoDefault(false);
    button->setDefault(control.kind == ControlKind::DefaultPushButton);
    button->setStyle(IndicatorStyle::Shared());
    return button;
}

QWidget* CreateEdit(const ControlTemplate& control) {
    auto* edit = new QLineEdit;
    if (control.style & kDigitsOnly) {
        edit->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    }
    if (control.style & kPassword) {
        edit->setEchoMode(QLineEdit::Password);
    }
    return edit;
}

QWidget* CreateMultiLineEdit() {
    auto* edit = new QPlainTextEdit;
    // Enter starts a new line; Tab still moves to the next control.
    edit->setTabChangesFocus(true);
    edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    return edit;
}

QWidget* CreateLabel(const ControlTemplate& control) {
    auto* label = new QLabel(Caption(control));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QWidget* CreateIcon() {
    auto* label = new QLabel;
    label->setPixmap(QPixmap(AppIconXpm()));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

// The caption sits on the frame line, as the desktop draws it, rather than on
// a line of its own above the frame.
QWidget* CreateGroupBox(const ControlTemplate& control) {
    auto* group = new QGroupBox(Caption(control));
    group->setStyleSheet(QStringLiteral(
        "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 0.6em; }"
        "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
        " left: 6px; padding: 0 2px; }"));
    return group;
}

QWidget* CreateCheckBox(const ControlTemplate& control) {
    auto* box = new QCheckBox(Caption(control));
    box->setStyle(IndicatorStyle::Shared());
    if (control.style & kTextLeft) {
        box->setLayoutDirection(Qt::RightToLeft);
    }
    return box;
}

QWidget* CreateDropDown(const ControlTemplate& control) {
    auto* combo = new QComboBox;
    for (const std::string& item : control.items) {
        combo->addItem(QString::fromStdString(item));
    }
    // A plain list under the box, as tall as the template allows, rather
    // than a menu centred on the current item.
    combo->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
    return combo;
}

QWidget* CreateWidget(const ControlTemplate& control) {
    switch (control.kind) {
        case ControlKind::PushButton:
        case ControlKind::DefaultPushButton:
            return CreateButton(control);
        case ControlKind::Edit:
            return CreateEdit(control);
        case ControlKind::MultiLineEdit:
            return CreateMultiLineEdit();
        case ControlKind::StaticText:
            return CreateLabel(control);
        case ControlKind::Icon:
            return CreateIcon();
        case ControlKind::GroupBox:
            return CreateGroupBox(control);
        case ControlKind::CheckBox:
            return CreateCheckBox(control);
        case ControlKind::RadioButton: {
            auto* radio = new QRadioButton(Caption(control));
            radio->setStyle(IndicatorStyle::Shared());
            return radio;
        }
        case ControlKind::DropDownList:
            return CreateDropDown(control);
        case ControlKind::ListView:
            return new SubjListView;
    }
    return new QWidget;
}

// The closed height of a drop-down list is the toolkit's; the template's
// height also covers the opened list, which shows as many items as fit.
void FitDropDown(QComboBox* combo, int templateHeightPx) {
    const int closed = combo->sizeHint().height();
    combo->resize(combo->width(), closed);
    const int itemHeight = combo->fontMetrics().height() + 2;
    combo->setMaxVisibleItems(std::max(1, (templateHeightPx - closed) / itemHeight));
}

// Names every control for screen readers and for finding it, makes each label
// the buddy of the control it names, and sets a label beside a one-line
// control on that control's text line: the toolkit's controls are taller than
// the desktop's, so a label at its template place would sit below their text.
void NameControls(const DialogTemplate& dialogTemplate, const std::vector<QWidget*>& widgets) {
    const ControlLabels labels(dialogTemplate);
    for (std::size_t i = 0; i < widgets.size(); ++i) {
        const int index = static_cast<int>(i);
        widgets[i]->setObjectName(QString::fromStdString(labels.ObjectName(index)));
        widgets[i]->setAccessibleName(QString::fromStdString(labels.AccessibleName(index)));
        auto* label = qobject_cast<QLabel*>(widgets[i]);
        const int named = labels.NamedBy(index);
        if (label == nullptr || named < 0) {
            continue;
        }
        QWidget* target = widgets[static_cast<std::size_t>(named)];
        label->setBuddy(target);
        const QRect line = target->geometry();
        const bool onItsLine =
            line.top() <= label->geometry().bottom() && label->geometry().top() <= line.bottom();
        if (onItsLine && (qobject_cast<QComboBox*>(target) != nullptr ||
                          qobject_cast<QLineEdit*>(target) != nullptr)) {
            label->setGeometry(label->x(), line.y(), label->width(), line.height());
            label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        }
    }
}

bool HasCaptionToFit(const ControlTemplate& control) {
    return !control.caption.empty() &&
           (control.kind == ControlKind::StaticText || control.kind == ControlKind::RadioButton ||
            (control.kind == ControlKind::CheckBox && !(control.style & kTextLeft)));
}

// Japanese glyphs here are wider than the desktop's proportional ones, so a
// caption may not fit the width its template gives. Such a caption grows to
// the right into free space, up to the next control on its line or the edge;
// nothing else moves.
void WidenClippedCaptions(const std::vector<std::pair<QWidget*, const ControlTemplate*>>& controls,
                          int dialogWidth) {
    constexpr int kGap = 2;
    for (const auto& [widget, control] : controls) {
        const int needed = widget->sizeHint().width();
        const QRect place = widget->geometry();
        if (!HasCaptionToFit(*control) || needed <= place.width()) {
            continue;
        }
        int right = dialogWidth - kGap;
        for (const auto& [other, otherControl] : controls) {
            const QRect there = other->geometry();
            const bool encloses =
                otherControl->kind == ControlKind::GroupBox && there.contains(place);
            if (other != widget && !encloses && there.left() > place.left() &&
                there.top() < place.bottom() && there.bottom() > place.top()) {
                right = std::min(right, there.left() - kGap);
            }
        }
        widget->resize(std::max(place.width(), std::min(needed, right - place.left())),
                       place.height());
    }
}

Qt::WindowFlags WindowFlagsFor(unsigned style) {
    Qt::WindowFlags flags = (style & kAppWindow) ? Qt::Window : Qt::Dialog;
    flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (style & kSystemMenu) {
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    }
    if (style & kMinimizeBox) {
        flags |= Qt::WindowMinimizeButtonHint;
    }
    if (style & kResizable) {
        flags |= Qt::WindowMaximizeButtonHint;
    }
    return flags;
}

}  // namespace

TemplateDialog::TemplateDialog(int templateId, QWidget* parent) : QDialog(parent) {
    DropDownAccessible::Install();
    AppWindowAccessible::Install();
    const DialogTemplate* dialogTemplate = FindDialogTemplate(templateId);
    if (dialogTemplate != nullptr) {
        Build(*dialogTemplate);
    } else {
        setWindowTitle(kMessageCaption);
    }
}

TemplateDialog::~TemplateDialog() = default;

void TemplateDialog::Build(const DialogTemplate& dialogTemplate) {
    const QFont font = DialogFont(dialogTemplate.fontName, dialogTemplate.fontPointSize);
    setFont(font);
    const DialogUnitBase units = MeasureDialogUnits(font);
    avgCharWidth_ = units.avgCharWidth;
    charHeight_ = units.charHeight;
    setWindowTitle(QString::fromStdString(dialogTemplate.caption));
    setWindowFlags(WindowFlagsFor(dialogTemplate.style));
    // The style outlines the focused control only once the keyboard has moved the focus; a user
    // who starts on the keyboard must see from the first key where it will go.
    setAttribute(Qt::WA_KeyboardFocusChange);

    const int width = units.X(dialogTemplate.width);
    const int menuHeight = AddMenuBar(dialogTemplate.menuId, width);
    const int height = menuHeight + units.Y(dialogTemplate.height);
    if (!(dialogTemplate.style & kResizable)) {
        setFixedSize(width, height);
    }

    std::vector<std::pair<QWidget*, const ControlTemplate*>> created;
    std::vector<QWidget*> widgets;
    QWidget* previous = nullptr;
    QWidget* first = nullptr;
    for (const ControlTemplate& control : dialogTemplate.controls) {
        QWidget* widget = CreateControl(control);
        created.emplace_back(widget, &control);
        widgets.push_back(widget);
        QRect place = units.Rect(control.x, control.y, control.width, control.height);
        widget->setGeometry(place.translated(0, menuHeight));
        if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            FitDropDown(combo, place.height());
        }
        if (widget->focusPolicy() == Qt::NoFocus) {
            continue;
        }
        if (previous != nullptr) {
            setTabOrder(previous, widget);
        }
        previous = widget;
        if (first == nullptr && (control.style & kTabStop)) {
            first = widget;
        }
    }
    NameControls(dialogTemplate, widgets);
    WidenClippedCaptions(created, width);
    if (dialogTemplate.style & kResizable) {
        MakeResizable(width, height);
    }
    if (first != nullptr) {
        first->setFocus();
    }
}

// Seven rows of the list stay, with the find bar open,; below that the window stops shrinking.
void TemplateDialog::MakeResizable(int width, int height) {
    resize(width, height);
    auto* list = findChild<SubjListView*>(QString(), Qt::FindDirectChildrenOnly);
    if (list == nullptr) {
        return;
    }
    stretch_ = std::make_unique<StretchLayout>(*this, *list);
    setMinimumSize(stretch_->MinimumSize(8 * fontMetrics().height() + 2 * list->frameWidth()));
    setSizeGripEnabled(true);
}

QWidget* TemplateDialog::CreateControl(const ControlTemplate& control) {
    QWidget* widget = CreateWidget(control);
    widget->setParent(this);
    widget->setProperty(kControlIdProperty, control.id);
    // Templates list a group box after the controls it frames; on top of them it would take
    // every click meant for them. It lies behind everything, as the desktop draws it.
    if (control.kind == ControlKind::GroupBox) {
        widget->lower();
    }
    const bool focusable = widget->focusPolicy() != Qt::NoFocus;
    if (focusable && !(control.style & kTabStop)) {
        widget->setFocusPolicy(Qt::ClickFocus);
    }
    if (auto* button = qobject_cast<QPushButton*>(widget)) {
        if (control.id == kIdOk) {
            connect(button, &QPushButton::clicked, this, [this] { OnOK(); });
        } else if (control.id == kIdCancel) {
            connect(button, &QPushButton::clicked, this, [this] { OnCancel(); });
        }
    }
    return widget;
}

int TemplateDialog::AddMenuBar(int menuId, int width) {
    const MenuTemplate* menu = FindMenuTemplate(menuId);
    if (menu == nullptr) {
        return 0;
    }
    auto* bar = new QMenuBar(this);
    for (const MenuPopupTemplate& popup : menu->popups) {
        QMenu* entry = bar->addMenu(QString::fromStdString(popup.text));
        for (const MenuItemTemplate& item : popup.items) {
            QAction* action = entry->addAction(QString::fromStdString(item.text));
            action->setProperty(kControlIdProperty, item.id);
        }
    }
    const int height = bar->sizeHint().height();
    bar->setGeometry(0, 0, width, height);
    return height;
}

QAction* TemplateDialog::MenuAction(int commandId) const {
    const auto actions = findChildren<QAction*>();
    for (QAction* action : actions) {
        const QVariant id = action->property(kControlIdProperty);
        if (id.isValid() && id.toInt() == commandId) {
            return action;
        }
    }
    return nullptr;
}

void TemplateDialog::OnOK() {
    done(kIdOk);
}

void TemplateDialog::OnCancel() {
    done(kIdCancel);
}

void TemplateDialog::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (modifiers != Qt::NoModifier) {
        QWidget::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (auto* focused = qobject_cast<QPushButton*>(focusWidget())) {
                focused->click();
                return;
            }
            for (QPushButton* button : findChildren<QPushButton*>()) {
                if (button->isDefault()) {
                    if (button->isEnabled()) {
                        button->click();
                    }
                    return;
                }
            }
            OnOK();
            return;
        case Qt::Key_Escape:
            OnCancel();
            return;
        default:
            QWidget::keyPressEvent(event);
    }
}

// The screen the dialog opens on: its owner's, as the toolkit places it there.
QScreen* TemplateDialog::TargetScreen() const {
    const QWidget* owner = parentWidget() != nullptr ? parentWidget()->window() : nullptr;
    return owner != nullptr ? owner->screen() : screen();
}

// Before the window manager has framed the window its frame is unknown, or
// given as a thin line; a title bar's height and a border stand in for it.
QMargins TemplateDialog::FrameMargins() const {
    const QRect outer = frameGeometry();
    const QRect inner = geometry();
    const int border = style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
    const int titleBar = style()->pixelMetric(QStyle::PM_TitleBarHeight);
    return {std::max(border, inner.left() - outer.left()),
            std::max(titleBar + border, inner.top() - outer.top()),
            std::max(border, outer.right() - inner.right()),
            std::max(border, outer.bottom() - inner.bottom())};
}

QSize TemplateDialog::RoomOn(const QScreen& screen) const {
    return screen.availableGeometry().size().shrunkBy(FrameMargins());
}

void TemplateDialog::setVisible(bool visible) {
    if (visible && !fitted_) {
        fitted_ = true;
        if (stretch_ != nullptr) {
            resize(size().boundedTo(RoomOn(*TargetScreen())).expandedTo(minimumSize()));
        } else {
            FitToScreen(*this, TargetScreen()->availableGeometry(), FrameMargins());
        }
    }
    QDialog::setVisible(visible);
}

void TemplateDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (stretch_ != nullptr) {
        stretch_->Follow();
    }
}

// The toolkit centres a dialog over its parent even while the parent is not on
// the screen yet (a prompt during start-up), which leaves it in the corner; and
// over an owner near the screen's edge it would hang off the screen.
void TemplateDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) {
        return;
    }
    const QRect available = TargetScreen()->availableGeometry();
    // The frame is known now; a window that can be resized is cut to it.
    if (stretch_ != nullptr) {
        resize(size().boundedTo(RoomOn(*TargetScreen())).expandedTo(minimumSize()));
    }
    QWidget* owner = parentWidget() != nullptr ? parentWidget()->window() : nullptr;
    QRect place = frameGeometry();
    if (!testAttribute(Qt::WA_Moved) && owner != nullptr && !owner->isVisible()) {
        place.moveCenter(available.center());
    }
    const QRect outer = geometry().translated(place.topLeft() - pos()).marginsAdded(FrameMargins());
    const QPoint to = place.topLeft() + ClampToScreen(outer, available).topLeft() - outer.topLeft();
    if (to != pos()) {
        const bool moved = testAttribute(Qt::WA_Moved);
        move(to);
        setAttribute(Qt::WA_Moved, moved);
    }
}

void TemplateDialog::closeEvent(QCloseEvent* event) {
    // The close box is the cancel action; OnCancel decides whether the dialog ends.
    event->ignore();
    if (isVisible()) {
        OnCancel();
    }
}
