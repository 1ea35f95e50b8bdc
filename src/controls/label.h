#pragma once

#include <QLabel>

namespace platform {

class Label : public QLabel {
    Q_OBJECT
public:
    Label(QWidget* parent, const QString& caption, bool autoSize = false);

    QString caption() const { return text(); }
    void setCaption(const QString& caption);

private:
    bool autoSize_;
};

} // namespace platform
