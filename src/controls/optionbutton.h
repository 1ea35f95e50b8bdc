#pragma once

#include <QRadioButton>

#include <functional>

namespace platform {

// An option button; the buttons of one container form one group. Click runs
// when the button becomes the selected one, by the user or by the program.
class OptionButton : public QRadioButton {
    Q_OBJECT
public:
    OptionButton(QWidget* parent, const QString& caption, bool selected);

    bool value() const { return isChecked(); }
    void setValue(bool selected);

    std::function<void()> onClick;

private:
    void raiseClick();
    bool assigning_ = false;
};

} // namespace platform
