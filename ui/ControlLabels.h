// Which static text of a dialog template names which control, worked out from
// the layout alone: a label names the input control on its line that lies
// nearest to it, on either side (a caption before, a unit after). The builder
// uses this for label buddies, accessible names and aligned unit labels.
#pragma once

#include <string>
#include <vector>

struct ControlTemplate;
struct DialogTemplate;

class ControlLabels {
  public:
    explicit ControlLabels(const DialogTemplate& dialog);

    // The index of the control that the label at `index` names, or -1 (also
    // for anything that is not a label).
    int NamedBy(int index) const { return named_[static_cast<std::size_t>(index)]; }

    // What a screen reader calls the control at `index`: the caption of the
    // group box around it and "の", then its own caption or the texts of the
    // labels that name it, in left-to-right order; of a caption shared by a
    // row of as many controls as it has characters, its own character.
    // Ampersands of mnemonics dropped.
    std::string AccessibleName(int index) const;

    // A name for finding the control at `index`: its kind, then its id, or
    // for controls without one its place in the template ("label_n10").
    std::string ObjectName(int index) const;

  private:
    std::string LabelText(int index) const;
    std::string ShareOfCaption(int labelIndex, int index) const;

    const DialogTemplate& dialog_;
    std::vector<int> named_;
};
