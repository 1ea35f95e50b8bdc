#pragma once

#include <QString>

namespace cut {

// How many digits every numbered name of a cut has when its last number is
// `last`: three while the cut stays within SAVE's 000-999, so that such a cut
// names its files as SAVE does; past that, as many as the last number has, so
// that the names still sort in number order.
int numberDigits(int last);

// The number padded with zeros to `digits`, then a dot and `extension`:
// numberedName(42, 4, "png") is "0042.png".
QString numberedName(int number, int digits, const QString& extension);

} // namespace cut
