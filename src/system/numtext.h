#pragma once

#include <QString>

#include <cstdint>

// Number texts as the handlers read and write them. Only blanks, an optional
// sign and digits, then blanks, count as a number.
namespace platform {

bool isNumeric(const QString& text);

// What a number box takes: no comma, no full stop, and a number by isNumeric.
// Anything else is replaced whole by the box's fall-back text.
bool isWholeNumberText(const QString& text);

// The number the text begins with (0 when it begins with none).
double val(const QString& text);

// "#" writes a whole number without leading zeros, 0 as the empty text;
// "000" pads to at least three digits, a minus sign before them.
QString format(double value, const QString& pattern);

// A number as text with one leading blank where a minus sign would stand.
QString str(double value);

// Rounds to the nearest whole number, a half to the even neighbour, and throws
// when the result does not fit 16 bits.
std::int16_t toInt16(double value);

} // namespace platform
