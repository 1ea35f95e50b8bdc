#include "numbering.h"

#include "controls/label.h"
#include "system/numtext.h"
#include "controls/textbox.h"

namespace output {

QString nextFileCaption(int fileCounter) {
    if (fileCounter > kLastFileNumber)
        return QStringLiteral("Next file:???");
    return QStringLiteral("Next file:") + platform::format(fileCounter, QStringLiteral("000")) +
           QStringLiteral(".bmp");
}

QString numberedFile(const QString& outputFolder, int counter) {
    return outputFolder + platform::format(counter, QStringLiteral("000")) + QStringLiteral(".bmp");
}

bool startTextRefused(const QString& text) {
    return !platform::isWholeNumberText(text);
}

void startNumberChanged(AppState& s, platform::TextBox& startNumberBox) {
    if (startTextRefused(startNumberBox.text()))
        startNumberBox.setText(QStringLiteral("000")); // runs this handler again, nested
    s.setStartNumber(platform::val(startNumberBox.text()));
}

void resetCounter(AppState& s, platform::Label& nextFileLabel) {
    s.setFileCounter(platform::toInt16(s.startNumber));
    updateNextFileLabel(s, nextFileLabel);
}

void updateNextFileLabel(const AppState& s, platform::Label& nextFileLabel) {
    nextFileLabel.setCaption(nextFileCaption(s.fileCounter));
}

} // namespace output
