// Shows the message box that the program would show for the text given, made by
// the program's own dialog code under the same application settings, so that a
// test can tell from the pixels alone which message the program showed.
#include "controls/qtdialogs.h"

#include <QApplication>
#include <QStyleFactory>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 2)
        return 2;
    // As the program's start-up sets them.
    QApplication::setApplicationName(QStringLiteral("Orvane"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    platform::QtDialogs dialogs;
    dialogs.msgBox(QString::fromLocal8Bit(argv[1]));
    return 0;
}
