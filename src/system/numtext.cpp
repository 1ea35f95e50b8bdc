#include "numtext.h"

#include "errors.h"

#include <cmath>

namespace platform {

namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

} // namespace

bool isWholeNumberText(const QString& text) {
    return !text.contains(u',') && !text.contains(u'.') && isNumeric(text);
}

bool isNumeric(const QString& text) {
    qsizetype i = 0;
    qsizetype end = text.size();
    while (i < end && isBlank(text[i]))
        ++i;
    while (end > i && isBlank(text[end - 1]))
        --end;
    if (i < end && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    if (i == end)
        return false;
    for (; i < end; ++i) {
        if (text[i] < u'0' || text[i] > u'9')
            return false;
    }
    return true;
}

double val(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    double sign = 1.0;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        if (text[i] == u'-')
            sign = -1.0;
        ++i;
    }
    double result = 0.0;
    while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') {
        result = result * 10.0 + (text[i].unicode() - u'0');
        ++i;
    }
    if (i < text.size() && text[i] == u'.') {
        double scale = 0.1;
        for (++i; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
            result += (text[i].unicode() - u'0') * scale;
            scale /= 10.0;
        }
    }
    return sign * result;
}

QString format(double value, const QString& pattern) {
    const double whole = std::round(value);
    const QString digits = QString::number(std::fabs(whole), 'f', 0);
    const QString sign = whole < 0 ? QStringLiteral("-") : QString();
    if (pattern == u"#")
        return whole == 0 ? QString() : sign + digits;
    if (pattern == u"000")
        return sign + digits.rightJustified(3, u'0');
    throw PlatformError(QStringLiteral("Unknown number pattern ") + pattern);
}

QString str(double value) {
    QString text = value == std::trunc(value) ? QString::number(value, 'f', 0)
                                              : QString::number(value, 'g', 15);
    return value < 0 ? text : QStringLiteral(" ") + text;
}

std::int16_t toInt16(double value) {
    const double rounded = std::nearbyint(value); // the default mode rounds a half to even
    if (!std::isfinite(rounded) || rounded < -32768.0 || rounded > 32767.0)
        throw PlatformError(QStringLiteral("Overflow"));
    return static_cast<std::int16_t>(rounded);
}

} // namespace platform
