#include "screen.h"

#include <QGuiApplication>
#include <QScreen>

namespace platform {

namespace {

const QScreen* primary() {
    return QGuiApplication::primaryScreen();
}

} // namespace

double SystemScreen::twipsPerPixelX() const {
    const QScreen* screen = primary();
    return screen && screen->logicalDotsPerInchX() > 0 ? 1440.0 / screen->logicalDotsPerInchX()
                                                       : 15.0;
}

double SystemScreen::twipsPerPixelY() const {
    const QScreen* screen = primary();
    return screen && screen->logicalDotsPerInchY() > 0 ? 1440.0 / screen->logicalDotsPerInchY()
                                                       : 15.0;
}

QSize SystemScreen::availableSize() const {
    const QScreen* screen = primary();
    return screen ? screen->availableGeometry().size() : QSize(1024, 768);
}

} // namespace platform
