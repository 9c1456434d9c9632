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
    std::vector<std::string> parts;
    if (control.kind != ControlKind::GroupBox) {
        for (const ControlTemplate& group : controls) {
            if (group.kind == ControlKind::GroupBox && Encloses(group, control)) {
                parts.push_back(group.caption);
            }
        }
    }
    if (!control.caption.empty()) {
        parts.push_back(control.caption);
    } else if (control.kind == ControlKind::Icon || control.kind == ControlKind::ListView) {
        parts.push_back(dialog_.caption);
    } else {
        std::vector<const ControlTemplate*> labels;
        for (std::size_t i = 0; i < controls.size(); ++i) {
            if (named_[i] == index) {
                labels.push_back(&controls[i]);
            }
        }
        // The second and third of a row of lists (month and day after the
        // year) share the caption at the start of their line.
        if (labels.empty()) {
            for (const ControlTemplate& label : controls) {
                if (label.kind == ControlKind::StaticText && OnOneLine(label, control) &&
                    label.x + label.width <= control.x &&
                    (labels.empty() || label.x > labels.front()->x)) {
                    labels.assign(1, &label);
                }
            }
        }
        std::ranges::sort(labels, {}, &ControlTemplate::x);
        for (const ControlTemplate* label : labels) {
            parts.push_back(label->caption);
        }
    }
    std::string name;
    for (const std::string& part : parts) {
        name += (name.empty() ? "" : " ") + WithoutMnemonic(part);
    }
    return name;
}

std::string ControlLabels::ObjectName(int index) const {
    const ControlTemplate& control = dialog_.controls[static_cast<std::size_t>(index)];
    const std::string kind = KindName(control.kind);
    return control.id != kIdStatic ? kind + "_" + std::to_string(control.id)
                                   : kind + "_n" + std::to_string(index);
}
