#pragma once

#include <QString>

namespace platform {

// The process and the file system, as the handlers use them.
class System {
public:
    virtual ~System() = default;
    // The folder that holds the program, native.
    virtual QString appPath() const = 0;
    // Ends the program at once with all its windows.
    virtual void end() = 0;
};

class QtSystem : public System {
public:
    QString appPath() const override;
    void end() override;
};

// Makes exactly one folder; throws when it exists, its parent is missing or it
// cannot be made.
void makeFolder(const QString& path);

// Moves the file to the desktop's trash where there is one, deletes it otherwise.
void removeFile(const QString& path);

// A folder path followed by the native separator unless it already ends in one.
QString withSeparator(const QString& folder);

} // namespace platform
