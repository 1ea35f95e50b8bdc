#include "optionbutton.h"

#include "errors.h"

namespace platform {

OptionButton::OptionButton(QWidget* parent, const QString& caption, bool selected)
    : QRadioButton(caption, parent) {
    setAccessibleName(caption);
    setChecked(selected);
    connect(this, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked && !assigning_)
            guarded([this] { raiseClick(); });
    });
}

void OptionButton::setValue(bool selected) {
    if (selected == isChecked())
        return;
    assigning_ = true;
    setChecked(selected);
    assigning_ = false;
    if (selected)
        raiseClick();
}

void OptionButton::raiseClick() {
    if (onClick)
        onClick();
}

} // namespace platform
