#pragma once

#include "state/appstate.h"

#include <QString>

namespace platform {
class Label;
class TextBox;
} // namespace platform

namespace output {

// The highest number a numbered file can have: 999.bmp.
inline constexpr int kLastFileNumber = 999;

// nextFileLabel's caption for the next number: "Next file:" and three digits and
// ".bmp", or "Next file:???" past 999.
QString nextFileCaption(int fileCounter);
// The numbered file's path: the output folder, three digits, ".bmp".
QString numberedFile(const QString& outputFolder, int counter);
// The start number box takes whole numbers only; anything else becomes "000".
bool startTextRefused(const QString& text);

// Every change of the start number box; a refused text is replaced, which runs
// this handler again, nested, before it goes on.
void startNumberChanged(AppState& s, platform::TextBox& startNumberBox);
// "Reset": the next file is the start number. A start number that does not fit
// 16 bits is a failure, passed to the caller.
void resetCounter(AppState& s, platform::Label& nextFileLabel);
void updateNextFileLabel(const AppState& s, platform::Label& nextFileLabel);

} // namespace output
