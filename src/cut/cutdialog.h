#pragma once

#include "plan.h"
#include "writer.h"

#include "controls/dialogs.h"

#include <QDialog>
#include <QImage>
#include <QList>
#include <QRect>
#include <QSize>
#include <QThreadPool>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace cut {

// "Cut all...": the options of a whole-sheet cut, a live count of what it would
// write (worked out away from the window's thread, "counting..." meanwhile), and the cut itself
// with a progress bar. It knows nothing of the main window: it gets the sheet, the next file number
// and the folder, and tells the window which cells to outline over its view (none when it closes).
class CutDialog : public QDialog {
    Q_OBJECT
public:
    using Overlay = std::function<void(const QList<QRect>& cells)>;

    CutDialog(const QImage& sheet, int fileCounter, const QString& outputFolder, QSize defaultTile,
              platform::Dialogs& dialogs, Overlay overlay, QWidget* parent = nullptr);
    ~CutDialog() override;

    // The number of the next file after the cut: after the last file written,
    // whether the cut ended, failed or was cancelled.
    int fileCounter() const { return fileCounter_; }
    const Outcome& outcome() const { return outcome_; }

    // What the options describe now.
    CutOptions options() const;
    Output output() const;
    // The count line as shown.
    QString countText() const;

    // OK: checks, asks, writes. False when the cut did not start and the dialog
    // stays open.
    bool cut();

    void done(int result) override;

    // Whether the count line is waiting for a plan.
    bool counting() const { return counting_; }

private:
    QSpinBox* tileWidth;
    QSpinBox* tileHeight;
    QSpinBox* margin;
    QSpinBox* spacing;
    QCheckBox* skipBlank;
    QComboBox* merge;
    QComboBox* format;
    QCheckBox* writeMap;
    QLineEdit* mapPath;
    QPushButton* browseMap;
    QLabel* count;
    QDialogButtonBox* buttons;

    void planned(int generation, const std::shared_ptr<std::optional<Plan>>& plan);
    void refresh();
    void chooseMap();

    QImage sheet_;
    int fileCounter_;
    QString folder_;
    platform::Dialogs& dialogs_;
    Overlay overlay_;
    Outcome outcome_;
    // The count is planned on a thread of its own; each change gives up the plan
    // in flight and starts another, and only the latest one's result is shown.
    QThreadPool pool_;
    std::shared_ptr<std::atomic<bool>> cancel_;
    int generation_ = 0;
    bool counting_ = false;
    std::optional<Plan> latest_;
    CutOptions latestOptions_;
};

} // namespace cut
