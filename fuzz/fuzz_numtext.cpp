#include "system/numtext.h"

#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <exception>

// Number texts as typed into the boxes: any UTF-16 text.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text =
        QString::fromUtf16(reinterpret_cast<const char16_t*>(data), qsizetype(size / 2));
    const bool numeric = platform::isNumeric(text);
    const double value = platform::val(text);
    if (std::isnan(value))
        std::abort();
    if (numeric && text.size() <= 15) {
        // A number the test accepts reads as the number it spells.
        bool ok = false;
        const double spelled = text.trimmed().toDouble(&ok);
        if (!ok || spelled != value)
            std::abort();
    }
    if (std::isfinite(value) && std::fabs(value) < 1e15) {
        const QString whole = platform::format(value, QStringLiteral("#"));
        if (std::round(value) == 0 ? !whole.isEmpty() : !platform::isNumeric(whole))
            std::abort();
        if (platform::val(platform::format(value, QStringLiteral("000"))) != std::round(value))
            std::abort();
        (void)platform::str(value);
    }
    try {
        const std::int16_t n = platform::toInt16(value);
        if (std::fabs(double(n) - value) > 0.5)
            std::abort();
    } catch (const std::exception&) {
        if (std::fabs(value) < 32767.5)
            std::abort();
    }
    return 0;
}
