#include "optionbutton.h"

#include "system/errors.h"

#include <QButtonGroup>

namespace platform {

namespace {

// The option buttons of one container, and only those, form one group. Qt's
// automatic grouping also counts the buttons of containers nested inside, and
// then a click on the selected button can deselect it.
QButtonGroup* groupOf(QWidget* container) {
    auto* group = container->findChild<QButtonGroup*>(QStringLiteral("optionGroup"),
                                                      Qt::FindDirectChildrenOnly);
    if (!group) {
        group = new QButtonGroup(container);
        group->setObjectName(QStringLiteral("optionGroup"));
    }
    return group;
}

} // namespace

OptionButton::OptionButton(QWidget* parent, const QString& caption, bool selected)
    : QRadioButton(caption, parent) {
    setAccessibleName(caption);
    if (parent)
        groupOf(parent)->addButton(this);
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
