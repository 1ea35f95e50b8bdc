#include "errors.h"

#include <QtGlobal>

#include <atomic>
#include <cstdio>

namespace platform {

namespace {

void defaultDefectHandler(const char* what) {
#ifndef NDEBUG
    qFatal("Orvane: unexpected failure in a handler: %s", what);
#else
    // The session that opens the window adds a message box (session.cpp).
    std::fprintf(stderr, "Orvane: unexpected failure in a handler: %s\n", what);
#endif
}

std::atomic<DefectHandler> defectHandler{&defaultDefectHandler};

} // namespace

DefectHandler setDefectHandler(DefectHandler handler) {
    return defectHandler.exchange(handler ? handler : &defaultDefectHandler);
}

void reportDefect(const char* what) noexcept {
    defectHandler.load()(what);
}

} // namespace platform
