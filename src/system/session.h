#pragma once

#include <QString>

#include <memory>

class QApplication;

namespace platform {

// Makes the application object, which connects to the windowing system. Where
// that connection fails Qt would abort with a note about reinstalling; instead
// this prints `failureMessage` to the standard error and ends the process with
// status 1. Qt's own messages from the attempt are printed only when it worked.
std::unique_ptr<QApplication> openApplication(int& argc, char** argv,
                                              const QString& failureMessage);

} // namespace platform
