#include "numbering.h"

#include "app/mainform.h"
#include "platform/label.h"
#include "platform/numtext.h"
#include "platform/textbox.h"

namespace output {

void startNumberChanged(MainForm& f) {
    const QString text = f.Text1->text();
    if (text.contains(u',') || text.contains(u'.') || !platform::isNumeric(text))
        f.Text1->setText(QStringLiteral("000")); // runs this handler again, nested
    f.state.startNumber = platform::val(f.Text1->text());
}

void resetCounter(MainForm& f) {
    try {
        f.state.fileCounter = platform::toInt16(f.state.startNumber);
        updateNextFileLabel(f);
    } catch (const std::exception&) {
        // A start number that does not fit is not taken; the counter stays.
    }
}

void updateNextFileLabel(MainForm& f) {
    if (f.state.fileCounter > 999)
        f.Label7->setCaption(QStringLiteral("Next file:???"));
    else
        f.Label7->setCaption(QStringLiteral("Next file:") +
                             platform::format(f.state.fileCounter, QStringLiteral("000")) +
                             QStringLiteral(".bmp"));
}

} // namespace output
