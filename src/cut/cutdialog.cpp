#include "cutdialog.h"

#include "system/errors.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace cut {

namespace {

// How long a cut runs before its progress shows.
constexpr int kProgressDelayMs = 400;

QSpinBox* sizeBox(int value, int least, QWidget* parent) {
    auto* box = new QSpinBox(parent);
    box->setRange(least, 65535);
    box->setValue(value);
    return box;
}

} // namespace

CutDialog::CutDialog(const QImage& sheet, int fileCounter, const QString& outputFolder,
                     QSize defaultTile, platform::Dialogs& dialogs, Overlay overlay,
                     QWidget* parent)
    : QDialog(parent)
    , sheet_(sheet.convertToFormat(QImage::Format_ARGB32))
    , fileCounter_(fileCounter)
    , folder_(outputFolder)
    , dialogs_(dialogs)
    , overlay_(std::move(overlay)) {
    setWindowTitle(QStringLiteral("Cut all"));

    tileWidth = sizeBox(defaultTile.width(), 1, this);
    tileHeight = sizeBox(defaultTile.height(), 1, this);
    margin = sizeBox(0, 0, this);
    spacing = sizeBox(0, 0, this);
    skipBlank = new QCheckBox(QStringLiteral("Skip blank cells (one colour and alpha)"), this);
    merge = new QComboBox(this);
    merge->addItems({QStringLiteral("None"), QStringLiteral("Identical"),
                     QStringLiteral("Identical, flipped or rotated")});
    format = new QComboBox(this);
    format->addItems({QStringLiteral("BMP"), QStringLiteral("PNG with alpha")});
    writeMap = new QCheckBox(QStringLiteral("Tiled map:"), this);
    mapPath = new QLineEdit(QDir(outputFolder).filePath(QStringLiteral("map.tmx")), this);
    mapPath->setEnabled(false);
    browseMap = new QPushButton(QStringLiteral("..."), this);
    browseMap->setEnabled(false);
    count = new QLabel(this);
    buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

    // Tests and accessibility tools find the controls by these names.
    tileWidth->setObjectName(QStringLiteral("tileWidth"));
    tileHeight->setObjectName(QStringLiteral("tileHeight"));
    margin->setObjectName(QStringLiteral("margin"));
    spacing->setObjectName(QStringLiteral("spacing"));
    skipBlank->setObjectName(QStringLiteral("skipBlank"));
    merge->setObjectName(QStringLiteral("merge"));
    format->setObjectName(QStringLiteral("format"));
    writeMap->setObjectName(QStringLiteral("writeMap"));
    mapPath->setObjectName(QStringLiteral("mapPath"));
    browseMap->setObjectName(QStringLiteral("browseMap"));
    count->setObjectName(QStringLiteral("count"));
    buttons->setObjectName(QStringLiteral("buttons"));
    pool_.setMaxThreadCount(1);

    auto* size = new QHBoxLayout;
    size->addWidget(tileWidth);
    size->addWidget(new QLabel(QStringLiteral("X"), this));
    size->addWidget(tileHeight);
    auto* map = new QHBoxLayout;
    map->addWidget(mapPath, 1);
    map->addWidget(browseMap);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Tile size:"), size);
    form->addRow(QStringLiteral("Margin:"), margin);
    form->addRow(QStringLiteral("Spacing:"), spacing);
    form->addRow(QString(), skipBlank);
    form->addRow(QStringLiteral("Merge duplicates:"), merge);
    form->addRow(QStringLiteral("Format:"), format);
    form->addRow(writeMap, map);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(count);
    layout->addWidget(buttons);

    const auto changed = [this] { platform::guarded([this] { refresh(); }); };
    for (QSpinBox* box : {tileWidth, tileHeight, margin, spacing})
        connect(box, &QSpinBox::valueChanged, this, changed);
    connect(skipBlank, &QCheckBox::toggled, this, changed);
    connect(merge, &QComboBox::currentIndexChanged, this, changed);
    connect(format, &QComboBox::currentIndexChanged, this, changed);
    connect(writeMap, &QCheckBox::toggled, this, [this](bool on) {
        mapPath->setEnabled(on);
        browseMap->setEnabled(on);
    });
    connect(browseMap, &QPushButton::clicked, this,
            [this] { platform::guarded([this] { chooseMap(); }); });
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
    // A plan still running posts its result to this dialog: it must end first.
    if (cancel_)
        cancel_->store(true);
    pool_.waitForDone();
}

CutOptions CutDialog::options() const {
    CutOptions o;
    o.grid = GridSpec{tileWidth->value(), tileHeight->value(), margin->value(), spacing->value()};
    o.skipBlank = skipBlank->isChecked();
    o.merge = Merge(merge->currentIndex());
    return o;
}

Output CutDialog::output() const {
    Output o;
    o.folder = folder_;
    o.start = fileCounter_;
    o.format = format->currentIndex() == 1 ? Format::Png : Format::Bmp;
    if (writeMap->isChecked())
        o.tmxPath = mapPath->text();
    return o;
}

QString CutDialog::countText() const {
    return count->text();
}

void CutDialog::refresh() {
    if (cancel_)
        cancel_->store(true);
    ++generation_;
    latest_.reset();
    const CutOptions o = options();
    const QString problem = gridProblem(sheet_.size(), o.grid);
    QList<QRect> cells;
    if (!problem.isEmpty()) {
        counting_ = false;
        count->setText(problem);
    } else {
        const Grid grid = layoutGrid(sheet_.size(), o.grid);
        cells.reserve(grid.cellCount());
        for (int i = 0; i < grid.cellCount(); ++i)
            cells << grid.cell(i);
        counting_ = true;
        count->setText(QStringLiteral("counting..."));
        latestOptions_ = o;
        cancel_ = std::make_shared<std::atomic<bool>>(false);
        pool_.start([this, sheet = sheet_, o, cancel = cancel_, generation = generation_] {
            // Nothing here touches a widget, and nothing thrown leaves the thread.
            auto plan = std::make_shared<std::optional<Plan>>();
            try {
                *plan = planCut(sheet, o, cancel.get());
            } catch (const std::exception&) {
                plan->reset();
            }
            if (cancel->load())
                return;
            QMetaObject::invokeMethod(
                this, [this, generation, plan] { planned(generation, plan); },
                Qt::QueuedConnection);
        });
    }
    buttons->button(QDialogButtonBox::Ok)->setEnabled(!counting_);
    if (overlay_)
        overlay_(cells);
}

void CutDialog::planned(int generation, const std::shared_ptr<std::optional<Plan>>& plan) {
    if (generation != generation_)
        return; // a later change started another plan
    counting_ = false;
    buttons->button(QDialogButtonBox::Ok)->setEnabled(true);
    if (!*plan) {
        count->setText(QStringLiteral("Not enough memory to count the tiles."));
        return;
    }
    latest_ = std::move(*plan);
    count->setText(countLine(*latest_, fileCounter_, output().format));
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
    const CutOptions o = options();
    const Output out = output();
    const QString problem = gridProblem(sheet_.size(), o.grid);
    if (!problem.isEmpty()) {
        dialogs_.msgBox(problem);
        return false;
    }
    if (writeMap->isChecked() && out.tmxPath.isEmpty()) {
        dialogs_.msgBox(QStringLiteral("Please name the Tiled map."));
        return false;
    }
    // The plan counted for these options, or when the count is still on its way
    // (only a caller that does not wait for the OK button), one made here.
    const auto sameOptions = [&](const CutOptions& a) {
        return a.grid.tileWidth == o.grid.tileWidth && a.grid.tileHeight == o.grid.tileHeight &&
               a.grid.margin == o.grid.margin && a.grid.spacing == o.grid.spacing &&
               a.skipBlank == o.skipBlank && a.merge == o.merge;
    };
    const Plan plan = latest_ && sameOptions(latestOptions_) ? *latest_ : planCut(sheet_, o);
    const QString tooFew = tooFewNumbersMessage(plan.tileCount(), out.start);
    if (!tooFew.isEmpty()) {
        dialogs_.msgBox(tooFew);
        return false;
    }
    if (const TargetProblem refused = checkTargets(plan, out); !refused.isEmpty()) {
        dialogs_.msgBox(refused.message);
        return false;
    }
    const QStringList existing = existingFiles(targetFiles(plan, out));
    if (!existing.isEmpty() && !dialogs_.question(replaceQuestion(existing)))
        return false;
    Output writing = out;
    writing.replace = !existing.isEmpty();

    QProgressDialog progress(QStringLiteral("Writing tiles..."), QStringLiteral("Cancel"), 0,
                             plan.tileCount(), this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(kProgressDelayMs);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    outcome_ = writeCut(sheet_, plan, writing, [&progress](int written, int) {
        // setValue lets a shown dialog handle its events, the Cancel button's among them.
        progress.setValue(written);
        return !progress.wasCanceled();
    });
    progress.close();
    fileCounter_ = outcome_.nextCounter;
    if (outcome_.failed())
        dialogs_.msgBox(QStringLiteral("File error!\r") +
                        QDir::toNativeSeparators(outcome_.failedFile) + u'\r' + outcome_.reason);
    return true;
}

void CutDialog::done(int result) {
    if (overlay_)
        platform::guarded([this] { overlay_({}); });
    QDialog::done(result);
}

} // namespace cut
