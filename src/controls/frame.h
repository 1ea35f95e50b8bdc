#pragma once

#include <QGroupBox>

namespace platform {

// A container with an optional caption; its option buttons form one group.
class Frame : public QGroupBox {
    Q_OBJECT
public:
    Frame(QWidget* parent, const QString& caption);
};

} // namespace platform
