#include "cutdialog.h"

#include "detect/gridguess.h"
#include "detect/sprites.h"
#include "system/errors.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QVBoxLayout>

namespace cut {

namespace {

// How long a cut runs before its progress shows.
constexpr int kProgressDelayMs = 400;

// The choices of the dialog kept between runs, under this group of the
// application's settings.
const QString kGroup = QStringLiteral("cut");

enum Mode { GridMode, SpritesMode };

QSpinBox* sizeBox(int value, int least, QWidget* parent) {
    auto* box = new QSpinBox(parent);
    box->setRange(least, 65535);
    box->setValue(value);
    // Every number box as wide as its range needs, not stretched by the row it is in.
    box->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    return box;
}

// A path of the output folder, for the user.
QString shown(const QString& path) {
    return QDir::toNativeSeparators(QDir::cleanPath(path));
}

} // namespace

CutDialog::CutDialog(const QImage& sheet, int fileCounter, const QString& outputFolder,
                     QSize defaultTile, platform::Dialogs& dialogs, OverlayShown overlay,
                     QWidget* parent)
    : QDialog(parent)
    , sheet_(sheet.convertToFormat(QImage::Format_ARGB32))
    , fileCounter_(fileCounter)
    , folder_(outputFolder)
    , dialogs_(dialogs)
    , overlay_(std::move(overlay)) {
    setWindowTitle(QStringLiteral("Cut all"));

    mode = new QComboBox(this);
    mode->addItems({QStringLiteral("Grid"), QStringLiteral("Sprites")});
    tileWidth = sizeBox(defaultTile.width(), 1, this);
    tileHeight = sizeBox(defaultTile.height(), 1, this);
    margin = sizeBox(0, 0, this);
    spacing = sizeBox(0, 0, this);
    detect = new QPushButton(QStringLiteral("Detect"), this);
    note = new QLabel(this);
    note->setWordWrap(true);
    key = new QLineEdit(this);
    key->setPlaceholderText(QStringLiteral("empty for transparent, RRGGBB[,tolerance] or auto"));
    join = sizeBox(0, 0, this);
    minSize = sizeBox(1, 1, this);
    writePad = new QCheckBox(QStringLiteral("Pad to:"), this);
    padWidth = sizeBox(defaultTile.width(), 1, this);
    padHeight = sizeBox(defaultTile.height(), 1, this);
    skip = new QComboBox(this);
    skip->addItems({QStringLiteral("None"), QStringLiteral("Transparent cells"),
                    QStringLiteral("Cells of one colour")});
    merge = new QComboBox(this);
    merge->addItems({QStringLiteral("None"), QStringLiteral("Identical"),
                     QStringLiteral("Identical, flipped or rotated")});
    format = new QComboBox(this);
    format->addItems({QStringLiteral("BMP"), QStringLiteral("PNG with alpha")});
    writeAtlas = new QCheckBox(QStringLiteral("One atlas:"), this);
    atlasPath = new QLineEdit(inFolder(QStringLiteral("atlas.png")), this);
    columns = sizeBox(0, 0, this);
    columns->setSpecialValueText(QStringLiteral("auto"));
    extrude = sizeBox(0, 0, this);
    writeMap = new QCheckBox(QStringLiteral("Tiled map:"), this);
    mapPath = new QLineEdit(inFolder(QStringLiteral("map.tmx")), this);
    browseMap = new QPushButton(QStringLiteral("..."), this);
    writeJson = new QCheckBox(QStringLiteral("Manifest:"), this);
    jsonPath = new QLineEdit(inFolder(QStringLiteral("tiles.json")), this);
    keepIds = new QCheckBox(QStringLiteral("Keep the numbers of the last cut"), this);
    count = new QLabel(this);
    count->setWordWrap(true);
    buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

    // Tests and accessibility tools find the controls by these names.
    mode->setObjectName(QStringLiteral("mode"));
    tileWidth->setObjectName(QStringLiteral("tileWidth"));
    tileHeight->setObjectName(QStringLiteral("tileHeight"));
    margin->setObjectName(QStringLiteral("margin"));
    spacing->setObjectName(QStringLiteral("spacing"));
    detect->setObjectName(QStringLiteral("detect"));
    note->setObjectName(QStringLiteral("gridNote"));
    key->setObjectName(QStringLiteral("key"));
    join->setObjectName(QStringLiteral("join"));
    minSize->setObjectName(QStringLiteral("minSize"));
    writePad->setObjectName(QStringLiteral("writePad"));
    padWidth->setObjectName(QStringLiteral("padWidth"));
    padHeight->setObjectName(QStringLiteral("padHeight"));
    skip->setObjectName(QStringLiteral("skip"));
    merge->setObjectName(QStringLiteral("merge"));
    format->setObjectName(QStringLiteral("format"));
    writeAtlas->setObjectName(QStringLiteral("writeAtlas"));
    atlasPath->setObjectName(QStringLiteral("atlasPath"));
    columns->setObjectName(QStringLiteral("columns"));
    extrude->setObjectName(QStringLiteral("extrude"));
    writeMap->setObjectName(QStringLiteral("writeMap"));
    mapPath->setObjectName(QStringLiteral("mapPath"));
    browseMap->setObjectName(QStringLiteral("browseMap"));
    writeJson->setObjectName(QStringLiteral("writeJson"));
    jsonPath->setObjectName(QStringLiteral("jsonPath"));
    keepIds->setObjectName(QStringLiteral("keepIds"));
    count->setObjectName(QStringLiteral("count"));
    buttons->setObjectName(QStringLiteral("buttons"));
    pool_.setMaxThreadCount(1);

    // One form for every row, so that labels and fields line up and the rows are
    // evenly spaced; grid mode's rows or sprite mode's rows are shown, and the
    // note only while it says something.
    auto* size = new QHBoxLayout;
    size->addWidget(tileWidth);
    size->addWidget(new QLabel(QStringLiteral("X"), this));
    size->addWidget(tileHeight);
    size->addWidget(detect);
    size->addStretch(1);
    // Animation frames line up when every sprite stands on a cell of one size.
    auto* pad = new QHBoxLayout;
    pad->addWidget(padWidth);
    pad->addWidget(new QLabel(QStringLiteral("X"), this));
    pad->addWidget(padHeight);
    pad->addStretch(1);
    // The atlas's file gets the whole row, as the map's and the manifest's do,
    // each wide enough for a path to be read.
    for (QLineEdit* edit : {atlasPath, mapPath, jsonPath})
        edit->setMinimumWidth(edit->fontMetrics().averageCharWidth() * 40);
    auto* atlas = new QHBoxLayout;
    atlas->addWidget(new QLabel(QStringLiteral("Columns:"), this));
    atlas->addWidget(columns);
    atlas->addWidget(new QLabel(QStringLiteral("Extrude:"), this));
    atlas->addWidget(extrude);
    atlas->addStretch(1);
    auto* map = new QHBoxLayout;
    map->addWidget(mapPath, 1);
    map->addWidget(browseMap);
    form_ = new QFormLayout;
    form_->addRow(QStringLiteral("Cut:"), mode);
    form_->addRow(QStringLiteral("Tile size:"), size);
    form_->addRow(QStringLiteral("Margin:"), margin);
    form_->addRow(QStringLiteral("Spacing:"), spacing);
    form_->addRow(QStringLiteral("Skip:"), skip);
    form_->addRow(QStringLiteral("Background:"), key);
    form_->addRow(QStringLiteral("Join within:"), join);
    form_->addRow(QStringLiteral("Smallest size:"), minSize);
    form_->addRow(writePad, pad);
    form_->addRow(note);
    form_->addRow(QStringLiteral("Merge duplicates:"), merge);
    form_->addRow(QStringLiteral("Format:"), format);
    form_->addRow(writeAtlas, atlasPath);
    form_->addRow(QString(), atlas);
    form_->addRow(writeMap, map);
    form_->addRow(writeJson, jsonPath);
    form_->addRow(QString(), keepIds);
    form_->setRowVisible(note, false);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form_);
    layout->addWidget(count);
    layout->addWidget(buttons);

    loadSettings(defaultTile);
    const auto enable = [this, size, pad] {
        const bool grid = mode->currentIndex() == GridMode;
        form_->setRowVisible(size, grid);
        for (QWidget* row : std::initializer_list<QWidget*>{margin, spacing, skip})
            form_->setRowVisible(row, grid);
        for (QWidget* row : std::initializer_list<QWidget*>{key, join, minSize})
            form_->setRowVisible(row, !grid);
        form_->setRowVisible(pad, !grid);
        form_->setRowVisible(note, noteShown());
        padWidth->setEnabled(writePad->isChecked());
        padHeight->setEnabled(writePad->isChecked());
        atlasPath->setEnabled(writeAtlas->isChecked());
        columns->setEnabled(writeAtlas->isChecked());
        extrude->setEnabled(writeAtlas->isChecked());
        format->setEnabled(!writeAtlas->isChecked());
        mapPath->setEnabled(writeMap->isChecked());
        browseMap->setEnabled(writeMap->isChecked());
        jsonPath->setEnabled(writeJson->isChecked());
    };
    enable();
    updateKeepIds();

    const auto changed = [this, enable] {
        platform::guarded([this, enable] {
            enable();
            refresh();
        });
    };
    for (QSpinBox* box : {tileWidth, tileHeight, margin, spacing, join, minSize, padWidth,
                          padHeight, columns, extrude})
        connect(box, &QSpinBox::valueChanged, this, changed);
    for (QComboBox* box : {mode, skip, merge, format})
        connect(box, &QComboBox::currentIndexChanged, this, changed);
    for (QCheckBox* box : {writePad, writeAtlas, writeMap, writeJson, keepIds})
        connect(box, &QCheckBox::toggled, this, changed);
    for (QLineEdit* edit : {key, atlasPath, mapPath})
        connect(edit, &QLineEdit::textChanged, this, changed);
    connect(jsonPath, &QLineEdit::textChanged, this, [this, changed] {
        platform::guarded([this] { updateKeepIds(); });
        changed();
    });
    // Only the mode changes which rows there are (the note fits itself).
    connect(mode, &QComboBox::currentIndexChanged, this,
            [this] { platform::guarded([this] { fitRows(); }); });
    connect(browseMap, &QPushButton::clicked, this,
            [this] { platform::guarded([this] { chooseMap(); }); });
    connect(detect, &QPushButton::clicked, this,
            [this] { platform::guarded([this] { detectGrid(); }); });
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        platform::guarded([this] {
            if (cut())
                accept();
        });
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    refresh();
}

CutDialog::~CutDialog() {
    // A count still running posts its result to this dialog: it must end first.
    if (cancel_)
        cancel_->store(true);
    pool_.waitForDone();
}

QString CutDialog::inFolder(const QString& name) const {
    return QDir(folder_).filePath(name);
}

void CutDialog::loadSettings(QSize defaultTile) {
    QSettings settings;
    settings.beginGroup(kGroup);
    const auto number = [&](const char* name, QSpinBox* box, int fallback) {
        box->setValue(settings.value(QLatin1String(name), fallback).toInt());
    };
    const auto index = [&](const char* name, QComboBox* box, int fallback) {
        const int i = settings.value(QLatin1String(name), fallback).toInt();
        box->setCurrentIndex(i >= 0 && i < box->count() ? i : fallback);
    };
    // A file's name is kept, and placed in the folder of this run.
    const auto file = [&](const char* name, QLineEdit* edit) {
        const QString kept = settings.value(QLatin1String(name)).toString();
        if (!kept.isEmpty())
            edit->setText(inFolder(QFileInfo(kept).fileName()));
    };
    number("tileWidth", tileWidth, defaultTile.width());
    number("tileHeight", tileHeight, defaultTile.height());
    number("margin", margin, 0);
    number("spacing", spacing, 0);
    number("join", join, 0);
    number("minSize", minSize, 1);
    number("padWidth", padWidth, defaultTile.width());
    number("padHeight", padHeight, defaultTile.height());
    number("columns", columns, 0);
    number("extrude", extrude, 0);
    index("mode", mode, GridMode);
    index("skip", skip, int(Skip::Transparent)); // what users mean by an empty cell
    index("merge", merge, int(Merge::None));
    index("format", format, 0);
    key->setText(settings.value(QStringLiteral("key")).toString());
    writePad->setChecked(settings.value(QStringLiteral("pad"), false).toBool());
    writeAtlas->setChecked(settings.value(QStringLiteral("atlas"), false).toBool());
    writeMap->setChecked(settings.value(QStringLiteral("map"), false).toBool());
    writeJson->setChecked(settings.value(QStringLiteral("manifest"), false).toBool());
    keepIds->setChecked(settings.value(QStringLiteral("keepIds"), false).toBool());
    file("atlasFile", atlasPath);
    file("mapFile", mapPath);
    file("manifestFile", jsonPath);
}

void CutDialog::saveSettings() const {
    QSettings settings;
    settings.beginGroup(kGroup);
    settings.setValue(QStringLiteral("tileWidth"), tileWidth->value());
    settings.setValue(QStringLiteral("tileHeight"), tileHeight->value());
    settings.setValue(QStringLiteral("margin"), margin->value());
    settings.setValue(QStringLiteral("spacing"), spacing->value());
    settings.setValue(QStringLiteral("join"), join->value());
    settings.setValue(QStringLiteral("minSize"), minSize->value());
    settings.setValue(QStringLiteral("padWidth"), padWidth->value());
    settings.setValue(QStringLiteral("padHeight"), padHeight->value());
    settings.setValue(QStringLiteral("pad"), writePad->isChecked());
    settings.setValue(QStringLiteral("columns"), columns->value());
    settings.setValue(QStringLiteral("extrude"), extrude->value());
    settings.setValue(QStringLiteral("mode"), mode->currentIndex());
    settings.setValue(QStringLiteral("skip"), skip->currentIndex());
    settings.setValue(QStringLiteral("merge"), merge->currentIndex());
    settings.setValue(QStringLiteral("format"), format->currentIndex());
    settings.setValue(QStringLiteral("key"), key->text());
    settings.setValue(QStringLiteral("atlas"), writeAtlas->isChecked());
    settings.setValue(QStringLiteral("map"), writeMap->isChecked());
    settings.setValue(QStringLiteral("manifest"), writeJson->isChecked());
    settings.setValue(QStringLiteral("keepIds"), keepIds->isChecked());
    settings.setValue(QStringLiteral("atlasFile"), QFileInfo(atlasPath->text()).fileName());
    settings.setValue(QStringLiteral("mapFile"), QFileInfo(mapPath->text()).fileName());
    settings.setValue(QStringLiteral("manifestFile"), QFileInfo(jsonPath->text()).fileName());
}

void CutDialog::updateKeepIds() {
    // Only an earlier cut's manifest has numbers to keep.
    const bool there = QFileInfo(jsonPath->text()).isFile();
    keepIds->setEnabled(there);
    if (!there)
        keepIds->setChecked(false);
}

void CutDialog::setFileCounter(int counter) {
    if (counter == fileCounter_)
        return;
    fileCounter_ = counter;
    refresh();
}

void CutDialog::setOutputFolder(const QString& folder) {
    if (folder == folder_)
        return;
    // The files that were in the old folder move with it.
    for (QLineEdit* edit : {atlasPath, mapPath, jsonPath}) {
        if (QFileInfo(edit->text()).absolutePath() == QFileInfo(inFolder(QString())).absolutePath())
            edit->setText(QDir(folder).filePath(QFileInfo(edit->text()).fileName()));
    }
    folder_ = folder;
    updateKeepIds();
    refresh();
}

void CutDialog::setSheetPath(const QString& path) {
    sheetPath_ = path;
    refresh();
}

CutJob CutDialog::job() const {
    CutJob j;
    j.sheet = sheet_;
    j.sheetPath = sheetPath_;
    j.sprites = mode->currentIndex() == SpritesMode;
    j.grid = GridSpec{tileWidth->value(), tileHeight->value(), margin->value(), spacing->value()};
    j.skip = Skip(skip->currentIndex());
    j.merge = Merge(merge->currentIndex());
    j.format = format->currentIndex() == 1 ? Format::Png : Format::Bmp;
    j.start = fileCounter_;
    j.folder = folder_;
    if (writeAtlas->isChecked()) {
        j.atlasPath = atlasPath->text();
        j.atlasColumns = columns->value();
        j.extrude = extrude->value();
    }
    if (writeMap->isChecked())
        j.tmxPath = mapPath->text();
    if (writeJson->isChecked())
        j.jsonPath = jsonPath->text();
    if (keepIds->isEnabled() && keepIds->isChecked())
        j.keepIdsPath = jsonPath->text();
    if (j.sprites) {
        j.spriteOptions.join = join->value();
        j.spriteOptions.minSize = minSize->value();
        if (writePad->isChecked())
            j.pad = QSize(padWidth->value(), padHeight->value());
        if (const QString typed = key->text().trimmed(); !typed.isEmpty()) {
            if (const auto choice = detect::parseKey(typed)) {
                j.keyFromCorners = choice->fromCorners;
                j.spriteOptions.key = choice->key;
            }
        }
    }
    return j;
}

QString CutDialog::countText() const {
    return count->text();
}

QString CutDialog::gridNote() const {
    return note->text();
}

void CutDialog::showNote(const QString& text) {
    note->setText(text);
    form_->setRowVisible(note, noteShown());
    fitRows();
}

bool CutDialog::noteShown() const {
    // The note speaks of the grid, and takes a row only while it says something.
    return mode->currentIndex() == GridMode && !note->text().isEmpty();
}

void CutDialog::fitRows() {
    // Rows come and go with the mode and the note: the dialog keeps the width
    // the user gave it and takes the height its rows need, no gaps between them.
    // Before it is first shown, showing sizes it.
    if (!isVisible())
        return;
    layout()->activate();
    resize(width(), sizeHint().height());
}

void CutDialog::refresh() {
    if (cancel_)
        cancel_->store(true);
    ++generation_;
    latest_.reset();
    if (!detected_)
        showNote({});
    detected_ = false;
    CutJob j = job();
    Overlay overlay;
    QString problem;
    if (!j.sprites) {
        problem = gridProblem(sheet_.size(), j.grid);
        if (problem.isEmpty())
            overlay.grid = layoutGrid(sheet_.size(), j.grid);
    } else if (const QString typed = key->text().trimmed();
               !typed.isEmpty() && !detect::parseKey(typed)) {
        problem = QStringLiteral("The background is a colour as RRGGBB, with a tolerance after a "
                                 "comma if you like, or auto.");
    }
    if (writeMap->isChecked() && j.tmxPath.isEmpty())
        problem = QStringLiteral("Please name the Tiled map.");
    if (!problem.isEmpty()) {
        counting_ = false;
        count->setText(problem);
    } else {
        counting_ = true;
        count->setText(QStringLiteral("counting..."));
        cancel_ = std::make_shared<std::atomic<bool>>(false);
        pool_.start([this, j = std::move(j), cancel = cancel_, generation = generation_] {
            // Nothing here touches a widget, and nothing thrown leaves the thread.
            auto counted = std::make_shared<Counted>();
            try {
                if (j.sprites) {
                    detect::SpriteOptions options = j.spriteOptions;
                    if (j.keyFromCorners) {
                        if (const auto corner = detect::cornerColour(j.sheet))
                            options.key->colour = *corner;
                        else
                            options.key.reset();
                    }
                    if (!j.keyFromCorners || options.key)
                        counted->sprites = detect::findSprites(j.sheet, options);
                }
                if (cancel->load())
                    return;
                counted->prepared = prepare(j, &counted->report, cancel.get());
            } catch (const std::exception&) {
                counted->prepared.reset();
                counted->report.failure = JobFailure::BadRequest;
                counted->report.reason = QStringLiteral("Not enough memory to count the tiles.");
            }
            if (cancel->load())
                return;
            QMetaObject::invokeMethod(
                this, [this, generation, counted] { planned(generation, counted); },
                Qt::QueuedConnection);
        });
    }
    buttons->button(QDialogButtonBox::Ok)->setEnabled(false);
    if (overlay_)
        overlay_(overlay);
}

void CutDialog::planned(int generation, const std::shared_ptr<Counted>& counted) {
    if (generation != generation_)
        return; // a later change started another count
    counting_ = false;
    QString found;
    if (counted->sprites) {
        found = QStringLiteral("%1 found; ")
                    .arg(counted->sprites->size() == 1
                             ? QStringLiteral("1 sprite")
                             : QStringLiteral("%1 sprites").arg(counted->sprites->size()));
        if (overlay_) {
            Overlay overlay;
            overlay.boxes = *counted->sprites;
            overlay_(overlay);
        }
    }
    if (!counted->prepared) {
        count->setText(found + counted->report.reason);
        return;
    }
    latest_ = counted;
    const PreparedJob& prepared = *counted->prepared;
    // The count line already counts the sprites; "found" only stands before a reason.
    count->setText(jobCountLine(prepared));
    if (prepared.suspicious)
        showNote(QStringLiteral("This grid looks wrong for the sheet (%1); the cut "
                                "still uses the grid above.")
                     .arg(detect::describeGrid(*prepared.suspicious)));
    buttons->button(QDialogButtonBox::Ok)->setEnabled(true);
}

void CutDialog::detectGrid() {
    QString whyNot;
    const auto guessed = detect::guessGrid(sheet_, &whyNot);
    if (!guessed) {
        showNote(whyNot.left(1).toUpper() + whyNot.mid(1));
        return;
    }
    mode->setCurrentIndex(GridMode);
    tileWidth->setValue(guessed->tileWidth);
    tileHeight->setValue(guessed->tileHeight);
    margin->setValue(guessed->margin);
    spacing->setValue(guessed->spacing);
    detected_ = true;
    showNote(detect::describeGrid(*guessed));
    refresh();
}

void CutDialog::chooseMap() {
    platform::FileRequest request;
    request.kind = platform::FileRequest::Save;
    request.title = QStringLiteral("Tiled map");
    request.initDir = folder_;
    request.defaultExt = QStringLiteral(".tmx");
    request.filters = {{QStringLiteral("Tiled maps (*.tmx)"), {QStringLiteral("*.tmx")}}};
    if (const auto chosen = dialogs_.fileDialog(request))
        mapPath->setText(*chosen);
}

bool CutDialog::cut() {
    if (!counting_ && !latest_) {
        // The options name no cut: the count line says why.
        dialogs_.msgBox(count->text());
        return false;
    }
    // The job counted for these options, or when the count is still on its way
    // (only a caller that does not wait for the OK button), one made here.
    std::optional<PreparedJob> made;
    if (latest_) {
        made = latest_->prepared;
    } else {
        JobReport refused;
        made = prepare(job(), &refused);
        if (!made) {
            dialogs_.msgBox(refused.reason);
            return false;
        }
    }
    PreparedJob& prepared = *made;
    const JobReport checked = checkJob(prepared);
    if (checked.failure == JobFailure::FilesExist) {
        if (!dialogs_.question(replaceQuestion(checked.existing)))
            return false;
        prepared.job.replace = true;
    } else if (checked.failed()) {
        dialogs_.msgBox(checked.reason);
        return false;
    }
    saveSettings();

    QProgressDialog progress(QStringLiteral("Writing tiles..."), QStringLiteral("Cancel"), 0,
                             int(jobFiles(prepared).size()), this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(kProgressDelayMs);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    report_ = runJob(prepared, [&progress](int written, int) {
        // setValue lets a shown dialog handle its events, the Cancel button's among them.
        progress.setValue(written);
        return !progress.wasCanceled();
    });
    progress.close();
    // The next number follows the highest numbered file written.
    for (const StoredTile& tile : prepared.result.tiles) {
        if (!tile.kept && !tile.file.isEmpty() && report_.written.contains(tile.file))
            fileCounter_ = std::max(fileCounter_, prepared.job.start + tile.id + 1);
    }
    if (!report_.written.isEmpty())
        emit written();
    if (report_.failed() && report_.failure != JobFailure::Cancelled) {
        dialogs_.msgBox(QStringLiteral("File error!\r") + shown(report_.failedFile) + u'\r' +
                        report_.reason);
    } else {
        // What was written, and where.
        QStringList folders;
        for (const QString& file : report_.written)
            folders << shown(QFileInfo(file).absolutePath());
        folders.removeDuplicates();
        dialogs_.msgBox(jobSummary(prepared, report_) + u'\r' + QStringLiteral("In ") +
                        folders.join(QStringLiteral(", ")));
    }
    return true;
}

void CutDialog::done(int result) {
    if (overlay_)
        platform::guarded([this] { overlay_({}); });
    QDialog::done(result);
}

} // namespace cut
