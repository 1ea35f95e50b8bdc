#pragma once

#include "job.h"
#include "overlay.h"

#include "controls/dialogs.h"

#include <QDialog>
#include <QImage>
#include <QSize>
#include <QThreadPool>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QWidget;

namespace cut {

// "Cut all...": the options of a whole-sheet cut, a live count of what it would
// write (worked out away from the window's thread, "counting..." meanwhile), and the cut itself
// with a progress bar. It knows nothing of the main window: it gets the sheet, the next file number
// and the folder, and tells the window what to draw over its view (nothing when it closes).
// It remembers its choices between runs (QSettings of the application).
class CutDialog : public QDialog {
    Q_OBJECT
public:
    using OverlayShown = std::function<void(const Overlay& overlay)>;

    CutDialog(const QImage& sheet, int fileCounter, const QString& outputFolder, QSize defaultTile,
              platform::Dialogs& dialogs, OverlayShown overlay, QWidget* parent = nullptr);
    ~CutDialog() override;

    // The number of the next file after the cut: after the last numbered file
    // written, whether the cut ended, failed or was cancelled.
    int fileCounter() const { return fileCounter_; }
    // The window's number or folder changed while the dialog is open.
    void setFileCounter(int counter);
    void setOutputFolder(const QString& folder);
    // The file the sheet was read from, named in the manifest; none for a pasted one.
    void setSheetPath(const QString& path);

    // The cut the options describe now.
    CutJob job() const;
    // The count line as shown.
    QString countText() const;
    // The line under the grid: what Detect found, or why the grid looks wrong.
    QString gridNote() const;
    // What the last cut did.
    const JobReport& report() const { return report_; }

    // OK: checks, asks, writes, says what was written. False when the cut did not
    // start and the dialog stays open.
    bool cut();
    // "Detect": the grid read off the sheet into the size boxes.
    void detectGrid();

    void done(int result) override;

    // Whether the count line is waiting for its plan.
    bool counting() const { return counting_; }

signals:
    // Files were written (some or all): the window shows them and moves its number.
    void written();

private:
    void fitRows();
    bool noteShown() const;

    QComboBox* mode;
    QSpinBox* tileWidth;
    QSpinBox* tileHeight;
    QSpinBox* margin;
    QSpinBox* spacing;
    QPushButton* detect;
    QLabel* note;
    QLineEdit* key;
    QSpinBox* join;
    QSpinBox* minSize;
    QCheckBox* writePad;
    QSpinBox* padWidth;
    QSpinBox* padHeight;
    QComboBox* skip;
    QComboBox* merge;
    QComboBox* format;
    QCheckBox* writeAtlas;
    QLineEdit* atlasPath;
    QSpinBox* columns;
    QSpinBox* extrude;
    QCheckBox* writeMap;
    QLineEdit* mapPath;
    QPushButton* browseMap;
    QCheckBox* writeJson;
    QLineEdit* jsonPath;
    QCheckBox* keepIds;
    QLabel* count;
    QDialogButtonBox* buttons;
    QFormLayout* form_;

    struct Counted {
        std::optional<PreparedJob> prepared;
        JobReport report;
        // Sprites: found apart from the cut, so that the view shows them whatever
        // the cut makes of them.
        std::optional<std::vector<QRect>> sprites;
    };
    void planned(int generation, const std::shared_ptr<Counted>& counted);
    void refresh();
    void showNote(const QString& text);
    void chooseMap();
    void updateKeepIds();
    void loadSettings(QSize defaultTile);
    void saveSettings() const;
    QString inFolder(const QString& name) const;

    QImage sheet_;
    QString sheetPath_;
    int fileCounter_;
    QString folder_;
    platform::Dialogs& dialogs_;
    OverlayShown overlay_;
    JobReport report_;
    // The count is prepared on a thread of its own; each change gives up the one
    // in flight and starts another, and only the latest one's result is shown.
    QThreadPool pool_;
    std::shared_ptr<std::atomic<bool>> cancel_;
    int generation_ = 0;
    bool counting_ = false;
    std::shared_ptr<Counted> latest_;
    bool detected_ = false; // the note says what Detect found
};

} // namespace cut
