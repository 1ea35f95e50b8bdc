#pragma once

#include <QLineEdit>

#include <functional>

namespace platform {

// A text box whose Change runs after every change of its text, the user's or
// the program's, and only when the text really changed. A program's assignment
// runs the handler at once, nested inside it, so that what the handler throws
// reaches the code that assigned.
class TextBox : public QLineEdit {
    Q_OBJECT
public:
    TextBox(QWidget* parent, const QString& text, int maxLength);

    QString text() const { return QLineEdit::text(); }
    void setText(const QString& text);

    std::function<void()> onChange;

private:
    void raiseChange();
};

} // namespace platform
