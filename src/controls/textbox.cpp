#include "textbox.h"

#include "system/errors.h"

namespace platform {

TextBox::TextBox(QWidget* parent, const QString& text, int maxLength)
    : QLineEdit(parent) {
    setMaxLength(maxLength);
    QLineEdit::setText(text);
    connect(this, &QLineEdit::textEdited, this, [this] { guarded([this] { raiseChange(); }); });
}

void TextBox::setText(const QString& text) {
    const QString before = QLineEdit::text();
    {
        const QSignalBlocker blocker(this);
        QLineEdit::setText(text);
    }
    if (QLineEdit::text() != before)
        raiseChange();
}

void TextBox::raiseChange() {
    if (onChange)
        onChange();
}

} // namespace platform
