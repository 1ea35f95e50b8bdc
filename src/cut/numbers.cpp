#include "numbers.h"

namespace cut {

int numberDigits(int last) {
    return qMax(3, int(QString::number(qMax(last, 0)).size()));
}

QString numberedName(int number, int digits, const QString& extension) {
    return QStringLiteral("%1.%2").arg(number, digits, 10, QLatin1Char('0')).arg(extension);
}

} // namespace cut
