#pragma once

#include <QComboBox>

#include <functional>

namespace platform {

class Drives;

// The drive list. Drive is the root of the chosen drive; assigning a path
// chooses the drive that holds it and runs Change when the drive changes.
class DriveList : public QComboBox {
    Q_OBJECT
public:
    DriveList(QWidget* parent, const Drives& drives);

    QString drive() const { return currentText(); }
    void setDrive(const QString& path);

    std::function<void()> onChange;

private:
    void raiseChange();

    const Drives& drives_;
    int lastIndex_ = -1;
};

} // namespace platform
