#include "ControlLabels.h"

#include <algorithm>
#include <climits>

#include "DialogTemplate.h"
#include "ResourceIds.h"

namespace {

// A drop-down's template height includes its opened list; the line it stands
// on is no taller than an edit.
constexpr int kLineHeight = 12;

bool TakesInput(const ControlTemplate& control) {
    return control.kind == ControlKind::Edit || control.kind == ControlKind::MultiLineEdit ||
           control.kind == ControlKind::DropDownList;
}

bool OnOneLine(const ControlTemplate& label, const ControlTemplate& control) {
    const int bottom = control.y + std::min(control.height, kLineHeight);
    return label.y < bottom && control.y < label.y + label.height;
}

// The input control on the label's line with the smallest gap to it, before
// or after; on a tie, the one after (a caption precedes what it names). With
// none on its line, the nearest control right below it (a caption above a
// wide edit).
int NamedControl(const std::vector<ControlTemplate>& controls, const ControlTemplate& label) {
    int best = -1;
    int bestGap = INT_MAX;
    int below = -1;
    int belowGap = INT_MAX;
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const ControlTemplate& control = controls[i];
        if (!TakesInput(control)) {
            continue;
        }
        if (OnOneLine(label, control)) {
            const int after = control.x - (label.x + label.width);
            const int before = label.x - (control.x + control.width);
            const int gap = after >= 0 ? after : before >= 0 ? before + 1 : INT_MAX;
            if (gap < bestGap) {
                best = static_cast<int>(i);
                bestGap = gap;
            }
        } else if (control.y >= label.y + label.height && control.x >= label.x &&
                   control.x < label.x + label.width && control.y - label.y < belowGap) {
            below = static_cast<int>(i);
            belowGap = control.y - label.y;
        }
    }
    return best >= 0 ? best : below;
}

bool Encloses(const ControlTemplate& group, const ControlTemplate& control) {
    return control.x >= group.x && control.y >= group.y &&
           control.x + control.width <= group.x + group.width &&
           control.y + std::min(control.height, kLineHeight) <= group.y + group.height;
}

std::string WithoutMnemonic(std::string text) {
    std::erase(text, '&');
    return text;
}

const char* KindName(ControlKind kind) {
    switch (kind) {
        case ControlKind::PushButton:
        case ControlKind::DefaultPushButton:
            return "button";
        case ControlKind::Edit:
            return "edit";
        case ControlKind::MultiLineEdit:
            return "text";
        case ControlKind::StaticText:
            return "label";
        case ControlKind::Icon:
            return "icon";
        case ControlKind::GroupBox:
            return "group";
        case ControlKind::CheckBox:
            return "check";
        case ControlKind::RadioButton:
            return "radio";
        case ControlKind::DropDownList:
            return "list";
        case ControlKind::ListView:
            return "listview";
    }
    return "control";
}

}  // namespace

ControlLabels::ControlLabels(const DialogTemplate& dialog)
    : dialog_(dialog), named_(dialog.controls.size(), -1) {
    for (std::size_t i = 0; i < dialog.controls.size(); ++i) {
        const ControlTemplate& control = dialog.controls[i];
        if (control.kind == ControlKind::StaticText && !control.caption.empty()) {
            named_[i] = NamedControl(dialog.controls, control);
        }
    }
}

std::string ControlLabels::AccessibleName(int index) const {
    const std::vector<ControlTemplate>& controls = dialog_.controls;
    const ControlTemplate& control = controls[static_cast<std::size_t>(index)];
    std::string group;
    if (control.kind != ControlKind::GroupBox) {
        for (const ControlTemplate& box : controls) {
            if (box.kind == ControlKind::GroupBox && Encloses(box, control)) {
                group += WithoutMnemonic(box.caption);
            }
        }
    }
    std::string own;
    if (!control.caption.empty()) {
        own = WithoutMnemonic(control.caption);
    } else if (control.kind == ControlKind::Icon || control.kind == ControlKind::ListView) {
        own = dialog_.caption;
    } else {
        own = LabelText(index);
    }
    // "毎年の日" and "毎月の日": the group says which rule a shared label means.
    if (group.empty() || own.empty()) {
        return group + own;
    }
    return group + "の" + own;
}

std::string ControlLabels::LabelText(int index) const {
    const std::vector<ControlTemplate>& controls = dialog_.controls;
    const ControlTemplate& control = controls[static_cast<std::size_t>(index)];
    std::vector<int> labels;
    for (std::size_t i = 0; i < controls.size(); ++i) {
        if (named_[i] == index) {
            labels.push_back(static_cast<int>(i));
        }
    }
    // The second and third of a row of lists (month and day after the year)
    // share the caption at the start of their line.
    if (labels.empty()) {
        for (std::size_t i = 0; i < controls.size(); ++i) {
            const ControlTemplate& label = controls[i];
            if (label.kind == ControlKind::StaticText && OnOneLine(label, control) &&
                label.x + label.width <= control.x &&
                (labels.empty() || label.x > controls[static_cast<std::size_t>(labels[0])].x)) {
                labels.assign(1, static_cast<int>(i));
            }
        }
    }
    if (labels.size() == 1) {
        return ShareOfCaption(labels[0], index);
    }
    std::ranges::sort(labels, {}, [&](int i) { return controls[static_cast<std::size_t>(i)].x; });
    std::string text;
    for (int label : labels) {
        text += (text.empty() ? "" : " ") +
                WithoutMnemonic(controls[static_cast<std::size_t>(label)].caption);
    }
    return text;
}

// A caption such as "年月日" before a row of as many controls gives each its
// own character (年, 月, 日), which is what each of them holds.
std::string ControlLabels::ShareOfCaption(int labelIndex, int index) const {
    const std::vector<ControlTemplate>& controls = dialog_.controls;
    const ControlTemplate& label = controls[static_cast<std::size_t>(labelIndex)];
    const std::string caption = WithoutMnemonic(label.caption);
    std::vector<int> row;
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const ControlTemplate& control = controls[i];
        const bool namedByAnother =
            std::ranges::any_of(named_, [&](int named) { return named == static_cast<int>(i); }) &&
            named_[static_cast<std::size_t>(labelIndex)] != static_cast<int>(i);
        if (TakesInput(control) && OnOneLine(label, control) &&
            control.x >= label.x + label.width && !namedByAnother) {
            row.push_back(static_cast<int>(i));
        }
    }
    std::vector<std::string> characters;
    for (std::size_t at = 0; at < caption.size();) {
        std::size_t length = 1;
        while (at + length < caption.size() && (caption[at + length] & 0xC0) == 0x80) {
            ++length;
        }
        characters.push_back(caption.substr(at, length));
        at += length;
    }
    if (row.size() < 2 || row.size() != characters.size() ||
        std::ranges::find(row, index) == row.end()) {
        return caption;
    }
    std::ranges::sort(row, {}, [&](int i) { return controls[static_cast<std::size_t>(i)].x; });
    return characters[static_cast<std::size_t>(std::ranges::find(row, index) - row.begin())];
}

std::string ControlLabels::ObjectName(int index) const {
    const ControlTemplate& control = dialog_.controls[static_cast<std::size_t>(index)];
    const std::string kind = KindName(control.kind);
    return control.id != kIdStatic ? kind + "_" + std::to_string(control.id)
                                   : kind + "_n" + std::to_string(index);
}
