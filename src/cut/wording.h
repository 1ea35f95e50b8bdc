#pragma once

#include <QDir>
#include <QLocale>
#include <QString>

// How the cut's messages write numbers and paths, the same in every one of them.
namespace cut::wording {

// "1,024": grouped as the rest of the program's English texts.
inline QString groups(int n) {
    return QLocale(QLocale::English, QLocale::UnitedStates).toString(n);
}

// "1 cell", "1,024 cells".
inline QString counted(int n, const QString& one, const QString& many) {
    return groups(n) + u' ' + (n == 1 ? one : many);
}

// The folder part and the name of a path, by its text alone: "." for a bare name.
inline QString folderOf(const QString& path) {
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash < 0 ? QStringLiteral(".") : slash == 0 ? QStringLiteral("/") : path.left(slash);
}

inline QString nameOf(const QString& path) {
    return path.mid(path.lastIndexOf(u'/') + 1);
}

// A name as a message shows it: control characters would act on the terminal.
inline QString printable(QString text) {
    for (QChar& c : text) {
        if (c.category() == QChar::Other_Control)
            c = u'?';
    }
    return QDir::toNativeSeparators(text);
}

inline QString capitalised(QString text) {
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

} // namespace cut::wording
