#include "support/files.h"
#include "support/imagecheck.h"
#include "support/messages.h"
#include "support/testapp.h"

#include "output/numbering.h"
#include "controls/button.h"
#include "controls/checkbox.h"
#include "controls/dirlist.h"
#include "controls/drivelist.h"
#include "controls/filelist.h"
#include "controls/form.h"
#include "controls/label.h"
#include "system/numtext.h"
#include "controls/optionbutton.h"
#include "controls/picturebox.h"
#include "controls/scrollbar.h"
#include "controls/textbox.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QMap>
#include <QMouseEvent>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>

// A seeded storm of user events on the real widgets. After every event the
// invariants that hold whatever the user does are checked.
//   ORVANE_SOAK_EVENTS  number of events (5000 by default)
//   ORVANE_SOAK_SEED    seed of the event sequence (fixed by default)
// A failure names the seed and the event, so that the run can be repeated.

namespace {

constexpr quint64 kDefaultSeed = 0x0A7E5EED2026ull;
constexpr int kDefaultEvents = 5000;
// Every so many events the soak clears out what it wrote, as a user would in
// another program; otherwise a long run slows as the folders fill.
constexpr int kTidyEvery = 1000;

using messages::fileError;
using messages::invalidFolder;
using messages::pasteInvalid;
using messages::pasteSmall;
using messages::sequenceUsedUp;
using messages::tooSmall;

// splitmix64: the same sequence for a seed on every platform and library.
class Rng {
public:
    explicit Rng(quint64 seed)
        : state_(seed) {}
    quint64 next() {
        quint64 z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // A whole number from lo to hi, both included.
    int range(int lo, int hi) { return lo + int(next() % quint64(hi - lo + 1)); }
    bool chance(int percent) { return range(0, 99) < percent; }
    template <typename T> const T& pick(const QList<T>& items) {
        return items[range(0, int(items.size()) - 1)];
    }

private:
    quint64 state_;
};

quint64 envNumber(const char* name, quint64 fallback) {
    bool ok = false;
    const quint64 value = qEnvironmentVariable(name).toULongLong(&ok, 0);
    return ok ? value : fallback;
}

struct Entry {
    bool dir = false;
    qint64 size = 0;
    qint64 modified = 0;
    bool operator==(const Entry& other) const {
        return dir == other.dir && size == other.size && modified == other.modified;
    }
};
using Snapshot = QMap<QString, Entry>; // absolute path, '/' separated

// Sizes and times rather than bytes: the soak looks after every event.
Snapshot snapshot(const QString& folder) {
    Snapshot result;
    visitEntries(folder, [&](const QFileInfo& info) {
        result.insert(QDir::cleanPath(info.absoluteFilePath()),
                      {info.isDir(), info.isDir() ? 0 : info.size(),
                       info.isDir() ? 0 : info.lastModified().toMSecsSinceEpoch()});
    });
    return result;
}

QString clean(const QString& path) {
    return QDir::cleanPath(QDir::fromNativeSeparators(path));
}

// A picture of the size whose pixels depend on the salt, so that two imports
// are told apart.
QImage saltedImage(int width, int height, quint32 salt) {
    QImage image = patternImage(width, height);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] = 0xFF000000 | ((row[x] ^ salt) & 0xFFFFFF);
    }
    return image;
}

QByteArray encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.write(image);
    return bytes;
}

// What an import or a paste is expected to end in.
enum class Outcome { Accepted, TooSmall, Silent, Unreadable };

struct ImportFile {
    QString path;
    Outcome outcome;
    QImage image; // the pixels an accepted file holds
    QString kind;
};

} // namespace

class SoakTest : public QObject {
    Q_OBJECT
private slots:
    void randomEvents();
};

class Soak {
public:
    Soak(quint64 seed, int events)
        : rng_(seed)
        , seed_(seed)
        , events_(events) {}

    void run();

private:
    // One event: what it is for the failure message, and what it may change.
    struct Allowed {
        QStringList messages;
        QSet<QString> added, changed, removed;
    };

    QString where() const {
        QString text = QStringLiteral("ORVANE_SOAK_SEED=0x%1 event %2 of %3 [%4]")
                           .arg(seed_, 0, 16)
                           .arg(index_)
                           .arg(events_)
                           .arg(description_);
        if (!history_.isEmpty())
            text += QStringLiteral(" after: ") + history_.join(QStringLiteral(" | "));
        const QStringList shown = app_.dialogs.messages.mid(messagesBefore_);
        if (!shown.isEmpty())
            text += QStringLiteral(" showing: ") + shown.join(QStringLiteral(" | "));
        return text + QStringLiteral(": ");
    }

    void event();
    void checkInvariants(const Allowed& allowed);
    void tidy();

    // Event kinds.
    void mouse();
    void clickControl();
    void type();
    void scroll();
    void importFile();
    void paste();
    void save();
    void saveAs();
    void createFolder();
    void resetCounter();
    void fileList();
    void openFolder();
    void directHandler();

    // Runs a handler either through its widget or called directly; a direct
    // call must not let anything escape.
    bool call(const std::function<void()>& viaWidget, const std::function<void()>& direct);
    void clickWidget(QWidget* widget);
    ImportFile makeImportFile();
    void checkImport(Outcome outcome, const QImage& image, const QString& smallMessage);
    void checkCapture(const QImage& before, bool shouldCapture);
    void checkWrittenBitmap(const QString& path);

    MainForm& f() { return app_.f(); }

    TestApp app_;
    Rng rng_;
    quint64 seed_;
    int events_;
    int index_ = 0;
    QString description_;
    QStringList history_;
    Qt::MouseButtons held_;
    Snapshot before_;
    QElapsedTimer clock_;
    qsizetype messagesBefore_ = 0;
    std::int16_t counterBefore_ = 0;
    int endsBefore_ = 0;
    platform::PicturePtr sourceBefore_;
    Allowed allowed_;
    bool checkedCounter_ = false;
};

#define SOAK_CHECK(condition, what) QVERIFY2(condition, qPrintable(where() + QStringLiteral(what)))
#define SOAK_COMPARE(actual, expected)                                                             \
    do {                                                                                           \
        if (!QTest::qCompare(actual, expected, #actual, #expected, __FILE__, __LINE__)) {          \
            qWarning("%s", qPrintable(where()));                                                   \
            return;                                                                                \
        }                                                                                          \
    } while (false)

void Soak::run() {
    QDir(app_.root()).mkpath(QStringLiteral("in"));
    app_.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(app_.window.get()));
    before_ = snapshot(app_.workFolder());
    clock_.start();
    for (index_ = 1; index_ <= events_; ++index_) {
        messagesBefore_ = app_.dialogs.messages.size();
        counterBefore_ = f().state.fileCounter;
        endsBefore_ = app_.system->ends;
        sourceBefore_ = f().state.sourcePicture;
        allowed_ = Allowed();
        checkedCounter_ = false;
        event();
        if (QTest::currentTestFailed())
            return;
        // A scripted answer never outlives its event.
        app_.dialogs.fileAnswers.clear();
        app_.dialogs.inputAnswers.clear();
        app_.dialogs.colorAnswers.clear();
        app_.clipboard.unreadable = false;
        checkInvariants(allowed_);
        if (QTest::currentTestFailed())
            return;
        history_ << description_;
        if (history_.size() > 8)
            history_.removeFirst();
        if (index_ % kTidyEvery == 0)
            tidy();
        if (index_ % 10000 == 0)
            qInfo("soak: %d of %d events, %lld s", index_, events_, clock_.elapsed() / 1000);
    }
}

void Soak::tidy() {
    QDir in(QDir(app_.root()).filePath(QStringLiteral("in")));
    in.removeRecursively();
    in.mkpath(QStringLiteral("."));

    // The open folder and those above it stay, emptied of files; the program
    // must still find its folder there.
    const QString work = clean(app_.workFolder());
    const QString open = clean(f().Dir1->path());
    const std::function<void(const QString&)> clear = [&](const QString& folder) {
        const QFileInfoList found = QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden |
                                                               QDir::System | QDir::NoDotAndDotDot);
        for (const QFileInfo& info : found) {
            const QString path = clean(info.absoluteFilePath());
            if (!info.isDir() || info.isSymLink())
                QFile::remove(path);
            else if (open == path || open.startsWith(path + u'/'))
                clear(path);
            else
                QDir(path).removeRecursively();
        }
    };
    clear(work);
    f().Dir1->refresh();
    f().File1->refresh();
    before_ = snapshot(work);
    const bool inside = open.startsWith(work + u'/');
    const qsizetype kept = inside ? open.count(u'/') - work.count(u'/') : 0;
    description_ = QStringLiteral("tidy-up, %1 folders kept").arg(kept);
    SOAK_COMPARE(before_.size(), kept);
}

void Soak::event() {
    const int kind = rng_.range(0, 99);
    if (kind < 30)
        mouse();
    else if (kind < 42)
        clickControl();
    else if (kind < 54)
        type();
    else if (kind < 62)
        scroll();
    else if (kind < 67)
        importFile();
    else if (kind < 71)
        paste();
    else if (kind < 78)
        save();
    else if (kind < 81)
        saveAs();
    else if (kind < 83)
        createFolder();
    else if (kind < 85)
        resetCounter();
    else if (kind < 90)
        fileList();
    else if (kind < 92)
        openFolder();
    else
        directHandler();
}

bool Soak::call(const std::function<void()>& viaWidget, const std::function<void()>& direct) {
    if (!direct || rng_.chance(70)) {
        viaWidget();
        return false;
    }
    description_ += QStringLiteral(" (direct)");
    try {
        direct();
    } catch (const std::exception& e) {
        QTest::qFail(qPrintable(where() + QStringLiteral("exception escaped: ") +
                                QString::fromLocal8Bit(e.what())),
                     __FILE__, __LINE__);
    } catch (...) {
        QTest::qFail(qPrintable(where() + QStringLiteral("exception escaped")), __FILE__, __LINE__);
    }
    return true;
}

void Soak::clickWidget(QWidget* widget) {
    // Near the left edge: the indicator of an option button or check box, and
    // inside every push button.
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(6, widget->height() / 2));
}

// --- The view -----------------------------------------------------------------

void Soak::mouse() {
    const QList<Qt::MouseButton> buttons{Qt::LeftButton, Qt::LeftButton, Qt::LeftButton,
                                         Qt::RightButton, Qt::MiddleButton};
    // Inside the view mostly, around and beyond it sometimes: a pressed view
    // keeps the moves and the release of the gesture wherever the pointer goes.
    const QPoint pos = rng_.chance(80) ? QPoint(rng_.range(0, f().pics->width() + 2),
                                                rng_.range(0, f().pics->height() + 2))
                                       : QPoint(rng_.range(-60, 700), rng_.range(-60, 800));
    const int action = rng_.range(0, 9);
    const QImage pictBefore = f().pict->image();
    const QPointF global = f().pics->mapToGlobal(QPointF(pos));
    if (action < 3 || (held_ == Qt::NoButton && action < 5)) {
        const Qt::MouseButton button = rng_.pick(buttons);
        held_ |= button;
        description_ =
            QStringLiteral("press %1 at %2,%3").arg(int(button)).arg(pos.x()).arg(pos.y());
        QMouseEvent event(QEvent::MouseButtonPress, pos, global, button, held_, Qt::NoModifier);
        QCoreApplication::sendEvent(f().pics, &event);
        checkCapture(pictBefore, false);
    } else if (action < 8 || held_ == Qt::NoButton) {
        description_ = QStringLiteral("move %1 to %2,%3").arg(int(held_)).arg(pos.x()).arg(pos.y());
        QMouseEvent event(QEvent::MouseMove, pos, global, Qt::NoButton, held_, Qt::NoModifier);
        QCoreApplication::sendEvent(f().pics, &event);
        checkCapture(pictBefore, false);
    } else {
        QList<Qt::MouseButton> down;
        for (Qt::MouseButton b : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton})
            if (held_ & b)
                down << b;
        const Qt::MouseButton button = rng_.pick(down);
        held_ &= ~Qt::MouseButtons(button);
        description_ =
            QStringLiteral("release %1 at %2,%3").arg(int(button)).arg(pos.x()).arg(pos.y());
        QMouseEvent event(QEvent::MouseButtonRelease, pos, global, button, held_, Qt::NoModifier);
        QCoreApplication::sendEvent(f().pics, &event);
        const AppState& s = f().state;
        const bool passes = s.selLeft >= 0 && s.selTop >= 0 && s.selRight <= s.viewMaxWidth &&
                            s.selBottom <= s.viewMaxHeight && s.selRight > s.selLeft &&
                            s.selBottom > s.selTop;
        checkCapture(pictBefore, button == Qt::LeftButton && passes);
    }
}

// The release copies the view's persistent image at the selection; nothing
// else touches the capture.
void Soak::checkCapture(const QImage& before, bool shouldCapture) {
    const QImage& pict = f().pict->image();
    if (!shouldCapture) {
        SOAK_CHECK(pict == before, "the capture changed without a release that passes");
        return;
    }
    const AppState& s = f().state;
    const int w = int(s.selRight - s.selLeft);
    const int h = int(s.selBottom - s.selTop);
    SOAK_COMPARE(pict.size(), QSize(w, h));
    SOAK_COMPARE(f().pict->size(), QSize(w, h));
    // The view's pixels there, and the background wherever the selection lies past the view.
    const QImage& view = f().pics->image();
    QImage expected = backgroundImage(w, h);
    QPainter(&expected).drawImage(QPoint(0, 0), view, QRect(int(s.selLeft), int(s.selTop), w, h));
    const QString difference = firstDifference(pict, expected);
    if (!difference.isEmpty())
        qWarning("%s", qPrintable(difference));
    SOAK_CHECK(difference.isEmpty(), "the capture does not hold the view's pixels");
}

void Soak::scroll() {
    QList<platform::ScrollBar*> bars;
    for (platform::ScrollBar* bar : {f().HScroll1, f().VScroll1})
        if (bar->isVisibleTo(app_.window.get()))
            bars << bar;
    if (bars.isEmpty()) {
        description_ = QStringLiteral("no scroll bar to move");
        return;
    }
    platform::ScrollBar* bar = rng_.pick(bars);
    const QString name = bar->objectName();
    const int kind = rng_.range(0, 7);
    if (kind == 7) {
        // The thumb dragged: Scroll events while it moves.
        const int steps = rng_.range(1, 4);
        description_ = QStringLiteral("%1 thumb drag").arg(name);
        bar->setSliderDown(true);
        for (int i = 0; i < steps; ++i)
            bar->setSliderPosition(rng_.range(0, bar->maximum()));
        bar->setSliderDown(false);
    } else {
        const QList<QAbstractSlider::SliderAction> actions{
            QAbstractSlider::SliderSingleStepAdd, QAbstractSlider::SliderSingleStepSub,
            QAbstractSlider::SliderPageStepAdd,   QAbstractSlider::SliderPageStepSub,
            QAbstractSlider::SliderToMinimum,     QAbstractSlider::SliderToMaximum};
        const QAbstractSlider::SliderAction action = actions[kind % actions.size()];
        description_ = QStringLiteral("%1 action %2").arg(name).arg(int(action));
        bar->triggerAction(action);
    }
}

// --- Controls -----------------------------------------------------------------

void Soak::clickControl() {
    MainForm& m = f();
    const QList<QAbstractButton*> controls{m.o_adjust, m.o_fixed,  m.o_16,     m.o_32,
                                           m.o_64,     m.o_custom, m.c_snap,   m.c_clipb,
                                           m.c_file,   m.Command4, m.Command5, m.b_exit};
    QAbstractButton* control = rng_.pick(controls);
    description_ = QStringLiteral("click %1").arg(control->objectName());
    if (control == m.Command4) {
        if (rng_.chance(70))
            app_.dialogs.colorAnswers.push_back(
                qRgb(rng_.range(0, 255), rng_.range(0, 255), rng_.range(0, 255)));
        // A dialog with no answer is cancelled and leaves the colour as it was.
        const QRgb expected = app_.dialogs.colorAnswers.empty()
                                  ? m.pics->foreColor()
                                  : app_.dialogs.colorAnswers.front().value_or(m.pics->foreColor());
        call([&] { clickWidget(control); }, [&] { app_.window->Command4_Click(); });
        SOAK_COMPARE(m.pics->foreColor(), expected);
        SOAK_COMPARE(m.Command4->backColor(), m.pics->foreColor());
        return;
    }
    if (control == m.o_16 || control == m.o_32 || control == m.o_64) {
        // A preset larger than the limits shows them and falls back to Custom.
        allowed_.messages << m.Label3->caption();
    }
    if (control == m.Command5)
        allowed_.messages << QStringLiteral("*about*");
    const bool enabled = control->isEnabled();
    auto* option = qobject_cast<platform::OptionButton*>(control);
    auto* box = qobject_cast<platform::CheckBox*>(control);
    const int valueBefore = box ? box->value() : 0;
    const int endsBefore = app_.system->ends;
    clickWidget(control);
    if (control == m.b_exit)
        SOAK_COMPARE(app_.system->ends, endsBefore + 1);
    // A click on an enabled control lands: a refused preset falls back to Custom.
    if (enabled && option)
        SOAK_CHECK(option->value() || m.o_custom->value(), "a clicked option is not selected");
    if (box)
        SOAK_COMPARE(box->value(), enabled ? 1 - valueBefore : valueBefore);
}

void Soak::type() {
    MainForm& m = f();
    const QList<platform::TextBox*> boxes{m.Text1, m.trw, m.trh};
    platform::TextBox* box = rng_.pick(boxes);
    const bool enabled = box->isEnabled();
    const QString textBefore = box->text();
    const double sizeBefore = box == m.trw ? m.state.tileWidth : m.state.tileHeight;
    const double maximum = box == m.trw ? m.state.maxTileWidth : m.state.maxTileHeight;
    QString keys;
    const int kind = rng_.range(0, 9);
    if (kind < 3) {
        // Typed over the whole text.
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        keys = QStringLiteral("<all>");
    } else if (kind < 5) {
        const int n = rng_.range(1, 3);
        for (int i = 0; i < n; ++i)
            QTest::keyClick(box, Qt::Key_Backspace);
        keys = QStringLiteral("<bs x%1>").arg(n);
    } else if (kind == 5) {
        QTest::keyClick(box, Qt::Key_Home);
        keys = QStringLiteral("<home>");
    }
    if (kind != 3 && kind != 4) {
        static const QString alphabet = QStringLiteral("0123456789012345678901234 -+.,aX");
        QString text;
        const int n = rng_.range(1, 4);
        for (int i = 0; i < n; ++i)
            text += alphabet[rng_.range(0, int(alphabet.size()) - 1)];
        if (rng_.chance(5))
            text = rng_.chance(50) ? QStringLiteral("999") : QStringLiteral("998");
        QTest::keyClicks(box, text);
        keys += text;
    }
    description_ = QStringLiteral("type '%1' into %2").arg(keys, box->objectName());
    if (!enabled) {
        SOAK_COMPARE(box->text(), textBefore);
        return;
    }
    const QString text = box->text();
    SOAK_CHECK(!text.contains(u',') && !text.contains(u'.'), "a refused text stayed");
    if (box == m.Text1) {
        SOAK_CHECK(platform::isNumeric(text), "a start number that is not a number stayed");
        return;
    }
    const double size = box == m.trw ? m.state.tileWidth : m.state.tileHeight;
    SOAK_COMPARE(size, platform::val(text));
    // Accepted texts lie within the limit; a refused one puts back the size in
    // force, which may be above a limit that shrank since.
    SOAK_CHECK(size <= maximum || size == sizeBefore, "a size above the limit was accepted");
    SOAK_CHECK(text.isEmpty() || platform::isNumeric(text), "the size box holds no number");
}

void Soak::resetCounter() {
    MainForm& m = f();
    description_ = QStringLiteral("Reset");
    const bool direct =
        call([&] { clickWidget(m.Command3); }, [&] { app_.window->Command3_Click(); });
    checkedCounter_ = true;
    if (!direct && !m.Command3->isEnabled()) {
        SOAK_COMPARE(m.state.fileCounter, counterBefore_);
        return;
    }
    std::int16_t expected = counterBefore_;
    try {
        expected = platform::toInt16(m.state.startNumber);
    } catch (const std::exception&) {
    }
    SOAK_COMPARE(m.state.fileCounter, expected);
}

// --- Import and paste ---------------------------------------------------------

ImportFile Soak::makeImportFile() {
    const QString dir = QDir(app_.root()).filePath(QStringLiteral("in"));
    const int kind = rng_.range(0, 9);
    const auto side = [this] { return rng_.chance(15) ? rng_.range(1, 20) : rng_.range(1, 600); };
    ImportFile file;
    const int w = side();
    const int h = side();
    const bool small = w < 16 || h < 16;
    if (kind < 6) {
        const char* format = kind < 3 ? "PNG" : "BMP";
        file.image = saltedImage(w, h, quint32(rng_.next()));
        file.path = QStringLiteral("%1/in%2.%3").arg(dir).arg(index_).arg(kind < 3 ? "png" : "bmp");
        writeFile(file.path, encoded(file.image, format));
        file.outcome = small ? Outcome::TooSmall : Outcome::Accepted;
        file.kind = QStringLiteral("%1 %2x%3").arg(format).arg(w).arg(h);
    } else if (kind < 8) {
        // Cut short anywhere after the start of its header: a bitmap that does
        // not hold the rows it promises is not a picture.
        const QByteArray bytes = encoded(saltedImage(w, h, quint32(rng_.next())), "BMP");
        const int cut = rng_.range(2, int(bytes.size()) - 1);
        file.path = QStringLiteral("%1/cut%2.bmp").arg(dir).arg(index_);
        writeFile(file.path, bytes.left(cut));
        file.outcome = Outcome::Silent;
        file.kind =
            QStringLiteral("BMP %1x%2 cut at %3 of %4").arg(w).arg(h).arg(cut).arg(bytes.size());
    } else if (kind == 8) {
        QByteArray bytes(rng_.range(0, 4000), Qt::Uninitialized);
        for (char& c : bytes)
            c = char(rng_.range(0, 255));
        if (!bytes.isEmpty())
            bytes[0] = 'G'; // no picture format starts so
        file.path = QStringLiteral("%1/junk%2.bmp").arg(dir).arg(index_);
        writeFile(file.path, bytes);
        file.outcome = Outcome::Silent;
        file.kind = QStringLiteral("garbage of %1 bytes").arg(bytes.size());
    } else {
        file.path = QStringLiteral("%1/missing%2.png").arg(dir).arg(index_);
        file.outcome = Outcome::Silent;
        file.kind = QStringLiteral("missing file");
    }
    return file;
}

void Soak::importFile() {
    const bool cancel = rng_.chance(10);
    const ImportFile file =
        cancel ? ImportFile{QString(), Outcome::Silent, QImage(), "cancel"} : makeImportFile();
    description_ = QStringLiteral("import %1").arg(file.kind);
    if (!cancel)
        app_.dialogs.fileAnswers.push_back(QDir::toNativeSeparators(file.path));
    call([&] { clickWidget(f().b_open); }, [&] { app_.window->b_open_Click(); });
    checkImport(file.outcome, file.image, tooSmall);
}

void Soak::paste() {
    auto& clipboard = app_.clipboard;
    const int kind = rng_.range(0, 9);
    Outcome outcome = Outcome::Accepted;
    if (kind == 0) {
        clipboard.content = QImage(); // text only: no bitmap
        outcome = Outcome::TooSmall;
        description_ = QStringLiteral("paste without a bitmap");
    } else if (kind == 1) {
        clipboard.unreadable = true;
        outcome = Outcome::Unreadable;
        description_ = QStringLiteral("paste from an unreadable clipboard");
    } else if (kind == 2) {
        description_ = QStringLiteral("paste what is there (%1x%2)")
                           .arg(clipboard.content.width())
                           .arg(clipboard.content.height());
        outcome = clipboard.content.width() < 16 || clipboard.content.height() < 16
                      ? Outcome::TooSmall
                      : Outcome::Accepted;
    } else {
        const int w = rng_.chance(15) ? rng_.range(1, 20) : rng_.range(1, 600);
        const int h = rng_.chance(15) ? rng_.range(1, 20) : rng_.range(1, 600);
        const QList<QImage::Format> formats{QImage::Format_RGB32, QImage::Format_ARGB32,
                                            QImage::Format_RGB888, QImage::Format_RGB16};
        const QImage::Format format = rng_.pick(formats);
        QImage image = saltedImage(w, h, quint32(rng_.next()));
        if (format == QImage::Format_RGB16) // colours as the format keeps them
            image = image.convertToFormat(format).convertToFormat(QImage::Format_RGB32);
        clipboard.content = image.convertToFormat(format);
        outcome = w < 16 || h < 16 ? Outcome::TooSmall : Outcome::Accepted;
        description_ = QStringLiteral("paste %1x%2 format %3").arg(w).arg(h).arg(int(format));
    }
    const QImage expected = clipboard.content;
    call([&] { clickWidget(f().Command6); }, [&] { app_.window->Command6_Click(); });
    checkImport(outcome, expected, pasteSmall);
}

void Soak::checkImport(Outcome outcome, const QImage& image, const QString& smallMessage) {
    MainForm& m = f();
    const QStringList shown = app_.dialogs.messages.mid(messagesBefore_);
    switch (outcome) {
    case Outcome::Accepted:
        SOAK_CHECK(shown.isEmpty(), "an accepted picture showed a message");
        SOAK_CHECK(m.state.sourcePicture && m.state.sourcePicture != sourceBefore_,
                   "an accepted picture is not the tileset");
        SOAK_CHECK(firstDifference(m.state.sourcePicture->image(), image).isEmpty(),
                   "the tileset does not hold the picture's pixels");
        SOAK_COMPARE(m.HScroll1->value(), 0);
        SOAK_COMPARE(m.VScroll1->value(), 0);
        // The fit empties the Selection view.
        SOAK_COMPARE(m.pict->image().size(), QSize(32, 32));
        SOAK_CHECK(m.pict->image() == backgroundImage(32, 32), "the fit left a capture behind");
        return;
    case Outcome::TooSmall:
        SOAK_COMPARE(shown, QStringList{smallMessage});
        break;
    case Outcome::Silent:
        SOAK_CHECK(shown.isEmpty(), "a refused file showed a message");
        break;
    case Outcome::Unreadable:
        SOAK_COMPARE(shown, QStringList{pasteInvalid});
        break;
    }
    SOAK_CHECK(m.state.sourcePicture == sourceBefore_, "a refused picture replaced the tileset");
}

// --- Output -------------------------------------------------------------------

void Soak::checkWrittenBitmap(const QString& path) {
    QImageReader reader(path);
    SOAK_COMPARE(reader.format(), QByteArray("bmp"));
    const QImage written = reader.read();
    SOAK_CHECK(!written.isNull(), "a written bitmap cannot be read");
    SOAK_COMPARE(written.size(), f().pict->image().size());
    SOAK_CHECK(firstDifference(written, f().pict->image()).isEmpty(),
               "a written bitmap lost colours");
}

void Soak::save() {
    MainForm& m = f();
    description_ = QStringLiteral("SAVE at %1 (clipboard %2, file %3)")
                       .arg(m.state.fileCounter)
                       .arg(m.c_clipb->value())
                       .arg(m.c_file->value());
    const QString target = output::numberedFile(m.state.outputFolder, m.state.fileCounter);
    const bool toFile = m.c_file->value() == 1;
    const bool room = m.state.fileCounter <= 999;
    if (toFile && room)
        allowed_.added << clean(target), allowed_.changed << clean(target);
    const int setsBefore = app_.clipboard.sets;
    call([&] { clickWidget(m.Command2); }, [&] { app_.window->Command2_Click(); });
    checkedCounter_ = true;
    const QStringList shown = app_.dialogs.messages.mid(messagesBefore_);
    if (m.c_clipb->value() == 1) {
        SOAK_COMPARE(app_.clipboard.sets, setsBefore + 1);
        SOAK_CHECK(app_.clipboard.content == m.pict->image(), "the clipboard lacks the capture");
    } else {
        SOAK_COMPARE(app_.clipboard.sets, setsBefore);
    }
    if (!toFile) {
        SOAK_CHECK(shown.isEmpty(), "SAVE without a file showed a message");
        SOAK_COMPARE(m.state.fileCounter, counterBefore_);
    } else if (!room) {
        SOAK_COMPARE(shown, QStringList{sequenceUsedUp});
        SOAK_COMPARE(m.state.fileCounter, counterBefore_);
    } else {
        // The output folder is there and writable throughout the soak.
        SOAK_CHECK(shown.isEmpty(), "SAVE into a writable folder failed");
        SOAK_COMPARE(int(m.state.fileCounter), counterBefore_ + 1);
        checkWrittenBitmap(target);
        SOAK_CHECK(m.File1->findItems(QFileInfo(target).fileName(), Qt::MatchExactly).size() == 1,
                   "the file list does not show the saved file");
    }
}

void Soak::saveAs() {
    MainForm& m = f();
    const QString work = app_.workFolder();
    const int kind = rng_.range(0, 5);
    QString answer;
    QString written;
    switch (kind) {
    case 0:
        break; // Cancel
    case 1:
        answer = QStringLiteral(" "); // blank: the dialog hands back no usable name
        break;
    case 2:
        answer = QStringLiteral("%1/as%2.bmp").arg(work).arg(index_);
        written = answer;
        break;
    case 3:
        answer = QStringLiteral("%1/as%2").arg(work).arg(index_);
        written = answer + QStringLiteral(".bmp");
        break;
    case 4:
        answer = QStringLiteral("%1/no such folder/as%2.bmp").arg(work).arg(index_);
        allowed_.messages << QStringLiteral("File error!\r%1\rNo such file or directory")
                                 .arg(QDir::toNativeSeparators(answer));
        break;
    default:
        // Over a numbered file, if there is one.
        answer = output::numberedFile(m.state.outputFolder, rng_.range(0, 3));
        written = QDir::fromNativeSeparators(answer);
        break;
    }
    description_ = QStringLiteral("Save as '%1'").arg(answer);
    if (kind != 0)
        app_.dialogs.fileAnswers.push_back(QDir::toNativeSeparators(answer));
    if (!written.isEmpty())
        allowed_.added << clean(written), allowed_.changed << clean(written);
    call([&] { clickWidget(m.Command7); }, [&] { app_.window->Command7_Click(); });
    // A name in a folder that is not there cannot be written, and says so.
    SOAK_CHECK(app_.dialogs.messages.size() == messagesBefore_ + (kind == 4 ? 1 : 0),
               "Save as said too much or too little");
    SOAK_COMPARE(m.cmdb.dialogTitle, QStringLiteral("Import Tileset"));
    SOAK_CHECK(m.cmdb.filter.startsWith(QStringLiteral("Supported bitmaps")),
               "Save as left its filter behind");
    if (!written.isEmpty() && QFileInfo(written).dir().exists())
        checkWrittenBitmap(written);
}

void Soak::createFolder() {
    MainForm& m = f();
    const QString parent = platform::withSeparator(m.Dir1->path());
    const int kind = rng_.range(0, 6);
    std::optional<QString> answer;
    switch (kind) {
    case 0:
        break; // Cancel
    case 1:
        answer = QString();
        break;
    case 2:
    case 3:
        answer = QStringLiteral("d%1").arg(index_);
        break;
    case 4: {
        // One that may exist already.
        answer = QStringLiteral("d%1").arg(rng_.range(1, index_));
        break;
    }
    case 5:
        answer = QStringLiteral("d%1/inner").arg(rng_.range(1, index_));
        break;
    default:
        answer = QStringLiteral("x%1/y/z").arg(index_);
        break;
    }
    description_ = QStringLiteral("Create new folder '%1'").arg(answer.value_or("<cancel>"));
    const bool enabled = m.Command1->isEnabled();
    app_.dialogs.inputAnswers.push_back(answer);
    const QString made = clean(parent + answer.value_or(QString()));
    const bool creatable = answer && !answer->isEmpty() && !QFileInfo::exists(made) &&
                           QFileInfo(QFileInfo(made).path()).isDir();
    if (creatable)
        allowed_.added << made;
    allowed_.messages << invalidFolder;
    const QString outputBefore = m.state.outputFolder;
    const bool direct =
        call([&] { clickWidget(m.Command1); }, [&] { app_.window->Command1_Click(); });
    const QStringList shown = app_.dialogs.messages.mid(messagesBefore_);
    if (!direct && !enabled) {
        SOAK_CHECK(shown.isEmpty(), "a disabled button asked for a folder");
        return;
    }
    if (creatable)
        SOAK_CHECK(shown.isEmpty() && QFileInfo(made).isDir(), "the new folder was not made");
    else
        SOAK_COMPARE(shown, QStringList{invalidFolder});
    SOAK_COMPARE(m.state.outputFolder, outputBefore);
}

void Soak::fileList() {
    MainForm& m = f();
    platform::FileList* list = m.File1;
    const int kind = rng_.range(0, 9);
    if (kind >= 8) {
        // Esc, or another key, in the preview window.
        const bool esc = kind == 8;
        description_ =
            esc ? QStringLiteral("Esc in the preview") : QStringLiteral("x in the preview");
        frm_saved_pic* preview = app_.window->previewWindow();
        if (!preview)
            return;
        const bool shown = preview->isVisible();
        QTest::keyClick(preview, esc ? Qt::Key_Escape : Qt::Key_X);
        SOAK_COMPARE(preview->isVisible(), esc ? false : shown);
        return;
    }
    if (!list->isEnabled() || list->count() == 0) {
        description_ = QStringLiteral("file list unavailable");
        return;
    }
    QListWidgetItem* item = list->item(rng_.range(0, list->count() - 1));
    const QString name = item->text();
    const QString path = clean(m.Dir1->path() + QStringLiteral("/") + name);
    list->doItemsLayout();
    list->scrollToItem(item);
    const QPoint at = list->visualItemRect(item).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    SOAK_COMPARE(list->fileName(), name);
    if (kind < 4) {
        description_ = QStringLiteral("Backspace on %1").arg(name);
        allowed_.removed << path;
        const bool existed = QFileInfo::exists(path);
        call([&] { QTest::keyClick(list, Qt::Key_Backspace); },
             [&] { app_.window->File1_KeyPress(8); });
        SOAK_CHECK(!QFileInfo::exists(path), "Backspace left the file");
        SOAK_CHECK(list->findItems(name, Qt::MatchExactly).isEmpty(),
                   "the list still shows a deleted file");
        if (!existed)
            allowed_.messages << fileError;
    } else if (kind < 7) {
        description_ = QStringLiteral("double-click on %1").arg(name);
        call(
            [&] {
                QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
                QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
                // The list hands the double-click on once it has done with it.
                QCoreApplication::sendPostedEvents(list, QEvent::MetaCall);
            },
            [&] { app_.window->File1_DblClick(); });
        frm_saved_pic* preview = app_.window->previewWindow();
        SOAK_CHECK(preview && preview->isVisible(), "the preview is not shown");
        SOAK_COMPARE(preview->caption(), name);
        QImage file(path);
        SOAK_CHECK(firstDifference(preview->picture(), file).isEmpty(),
                   "the preview does not show the file");
    } else {
        description_ = QStringLiteral("key q on %1").arg(name);
        QTest::keyClick(list, Qt::Key_Q);
        SOAK_CHECK(QFileInfo::exists(path), "a key other than Backspace deleted a file");
    }
}

void Soak::openFolder() {
    MainForm& m = f();
    platform::DirList* dirs = m.Dir1;
    // Only folders inside the working folder: the soak writes nowhere else.
    QList<QListWidgetItem*> inside;
    const QString work = clean(app_.workFolder());
    for (int i = 0; i < dirs->count(); ++i) {
        const QString path = clean(dirs->item(i)->data(Qt::UserRole).toString());
        if (path == work || path.startsWith(work + u'/'))
            inside << dirs->item(i);
    }
    if (!dirs->isEnabled() || inside.isEmpty()) {
        description_ = QStringLiteral("folder list unavailable");
        return;
    }
    QListWidgetItem* item = rng_.pick(inside);
    const QString path = item->data(Qt::UserRole).toString();
    description_ = QStringLiteral("open folder %1").arg(path);
    dirs->doItemsLayout();
    dirs->scrollToItem(item);
    const QPoint at = dirs->visualItemRect(item).center();
    QTest::mouseClick(dirs->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(dirs->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(dirs->viewport(), Qt::LeftButton, {}, at);
    QCoreApplication::sendPostedEvents(dirs, QEvent::MetaCall);
    SOAK_COMPARE(clean(dirs->path()), clean(path));
    SOAK_COMPARE(m.state.outputFolder, platform::withSeparator(dirs->path()));
    SOAK_COMPARE(m.File1->path(), dirs->path());
}

// Handlers called as the event loop would, with arguments no widget sends.
void Soak::directHandler() {
    frm_ov_main* w = app_.window.get();
    const int kind = rng_.range(0, 7);
    const int button = rng_.range(0, 7);
    const double x = rng_.range(-1000, 1500);
    const double y = rng_.range(-1000, 1500);
    const int key = rng_.range(0, 40);
    const QImage pictBefore = f().pict->image();
    description_ = QStringLiteral("direct handler %1 (%2, %3, %4, key %5)")
                       .arg(kind)
                       .arg(button)
                       .arg(x)
                       .arg(y)
                       .arg(key);
    const std::function<void()> handlers[] = {
        [&] { w->pics_MouseDown(button, 0, x, y); },
        [&] { w->pics_MouseMove(button, 0, x, y); },
        [&] { w->pics_MouseUp(button, 0, x, y); },
        [&] { w->HScroll1_Change(); },
        [&] { w->VScroll1_Scroll(); },
        [&] { w->Text1_Change(); },
        [&] { w->frm_saved_pic_KeyPress(key); },
        [&] { w->File1_KeyPress(key == 8 ? 9 : key); },
    };
    try {
        handlers[kind]();
    } catch (...) {
        SOAK_CHECK(false, "a handler let an exception escape");
    }
    const AppState& s = f().state;
    const bool passes = s.selLeft >= 0 && s.selTop >= 0 && s.selRight <= s.viewMaxWidth &&
                        s.selBottom <= s.viewMaxHeight && s.selRight > s.selLeft &&
                        s.selBottom > s.selTop;
    checkCapture(pictBefore, kind == 2 && button == 1 && passes);
}

// --- After every event --------------------------------------------------------

void Soak::checkInvariants(const Allowed& allowed) {
    MainForm& m = f();
    const AppState& s = m.state;

    // Messages: only those the event may show.
    const QStringList shown = app_.dialogs.messages.mid(messagesBefore_);
    for (const QString& message : shown) {
        const bool about = message.startsWith(QStringLiteral("PANEWRIGHT\r"));
        const bool known = allowed.messages.contains(message) ||
                           (about && allowed.messages.contains(QStringLiteral("*about*"))) ||
                           message == tooSmall || message == pasteSmall ||
                           message == pasteInvalid || message == sequenceUsedUp;
        SOAK_CHECK(known, "an unexpected message");
        if (message == tooSmall)
            SOAK_CHECK(description_.startsWith(QStringLiteral("import")),
                       "\"Image too small\" outside an import");
        if (message == pasteSmall || message == pasteInvalid)
            SOAK_CHECK(description_.startsWith(QStringLiteral("paste")),
                       "a paste message outside a paste");
        if (message == sequenceUsedUp)
            SOAK_CHECK(description_.startsWith(QStringLiteral("SAVE")),
                       "the Max message outside SAVE");
    }
    if (!description_.startsWith(QStringLiteral("click b_exit")))
        SOAK_COMPARE(app_.system->ends, endsBefore_);

    // The counter moves only by SAVE and Reset, which check it themselves.
    if (!checkedCounter_)
        SOAK_COMPARE(s.fileCounter, counterBefore_);
    const QString label = s.fileCounter > 999
                              ? QStringLiteral("Next file:???")
                              : QStringLiteral("Next file:") +
                                    platform::format(s.fileCounter, QStringLiteral("000")) +
                                    QStringLiteral(".bmp");
    SOAK_COMPARE(m.Label7->caption(), label);
    SOAK_COMPARE(s.startNumber, platform::val(m.Text1->text()));

    // "Save to file" governs the folder and numbering controls.
    const bool toFile = m.c_file->value() == 1;
    for (QWidget* control : {static_cast<QWidget*>(m.Text1), static_cast<QWidget*>(m.Command1),
                             static_cast<QWidget*>(m.Command3), static_cast<QWidget*>(m.Drive1),
                             static_cast<QWidget*>(m.Dir1), static_cast<QWidget*>(m.File1)})
        SOAK_COMPARE(control->isEnabled(), toFile);
    SOAK_COMPARE(m.Label7->isHidden(), !toFile);
    SOAK_COMPARE(s.outputFolder, platform::withSeparator(m.Dir1->path()));

    // The mode governs the size controls.
    const bool fixed = m.o_fixed->value();
    SOAK_COMPARE(m.o_adjust->value(), !fixed);
    for (QWidget* control : {static_cast<QWidget*>(m.o_16), static_cast<QWidget*>(m.o_32),
                             static_cast<QWidget*>(m.o_64), static_cast<QWidget*>(m.o_custom),
                             static_cast<QWidget*>(m.c_snap)})
        SOAK_COMPARE(control->isEnabled(), fixed);
    if (!fixed) {
        SOAK_CHECK(!m.trw->isEnabled() && !m.trh->isEnabled(), "size boxes enabled in Adjustable");
    } else {
        SOAK_COMPARE(m.trw->isEnabled(), m.o_custom->value());
        SOAK_COMPARE(m.trh->isEnabled(), m.o_custom->value());
    }
    // A preset in force never exceeds the limits: it was accepted within them,
    // and every later fit lowered it to the new limits. It is at most the preset.
    const std::pair<platform::OptionButton*, int> presets[] = {
        {m.o_16, 16}, {m.o_32, 32}, {m.o_64, 64}};
    for (const auto& [option, n] : presets) {
        if (fixed && option->value() && option->isEnabled() && !m.trw->isEnabled() &&
            !m.trh->isEnabled()) {
            SOAK_CHECK(s.tileWidth <= s.maxTileWidth && s.tileHeight <= s.maxTileHeight,
                       "a preset in force exceeds the limits");
            SOAK_CHECK(s.tileWidth >= 16 && s.tileWidth <= n && s.tileHeight >= 16 &&
                           s.tileHeight <= n,
                       "a preset in force is not the preset or its lowered size");
        }
    }

    // The view: the limits follow the last fit, and the persistent image holds
    // exactly the tileset at the scroll offsets.
    const QImage& view = m.pics->image();
    SOAK_COMPARE(view.size(), m.pics->size());
    if (s.sourcePicture) {
        const QImage& source = s.sourcePicture->image();
        const int vw = source.width() < s.viewMaxWidth ? source.width() : int(s.viewMaxWidth);
        const int vh = source.height() < s.viewMaxHeight ? source.height() : int(s.viewMaxHeight);
        SOAK_COMPARE(m.pics->size(), QSize(vw, vh));
        SOAK_COMPARE(s.maxTileWidth, double(m.pics->width()));
        SOAK_COMPARE(s.maxTileHeight, double(m.pics->height()));
        SOAK_COMPARE(m.Label3->caption(), QStringLiteral("Max: %1 X %2").arg(vw).arg(vh));
        SOAK_COMPARE(m.HScroll1->maximum(), source.width() - vw);
        SOAK_COMPARE(m.VScroll1->maximum(), source.height() - vh);
        const QImage shown =
            regionOf(source, QRect(QPoint(m.HScroll1->value(), m.VScroll1->value()), view.size()));
        SOAK_CHECK(firstDifference(view, shown).isEmpty(),
                   "the view's image is not the tileset at the scroll offsets");
    } else {
        SOAK_COMPARE(s.maxTileWidth, 16.0);
        SOAK_COMPARE(s.maxTileHeight, 16.0);
        SOAK_CHECK(firstDifference(view, backgroundImage(view.width(), view.height())).isEmpty(),
                   "something was drawn into the empty view's image");
    }

    // Files come and go only as the event may make them.
    const Snapshot after = snapshot(app_.workFolder());
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        const auto old = before_.constFind(it.key());
        if (old == before_.cend())
            SOAK_CHECK(allowed.added.contains(it.key()),
                       "a file or folder appeared in the output folder");
        else if (!(old.value() == it.value()))
            SOAK_CHECK(allowed.changed.contains(it.key()), "a file in the output folder changed");
    }
    for (auto it = before_.cbegin(); it != before_.cend(); ++it) {
        if (!after.contains(it.key()))
            SOAK_CHECK(allowed.removed.contains(it.key()),
                       "a file vanished from the output folder");
    }
    before_ = after;
}

void SoakTest::randomEvents() {
    const quint64 seed = envNumber("ORVANE_SOAK_SEED", kDefaultSeed);
    const int events = int(envNumber("ORVANE_SOAK_EVENTS", kDefaultEvents));
    qInfo("soak: %d events, ORVANE_SOAK_SEED=0x%llx", events, seed);
    // Backspace moves files to the trash: the soak gives the process a data
    // folder of its own, so that neither the user's trash nor the folder the
    // soak is started in (a build folder) takes its deleted files.
    const QString outerData = qEnvironmentVariableIsEmpty("XDG_DATA_HOME")
                                  ? QDir::homePath() + QStringLiteral("/.local/share")
                                  : qEnvironmentVariable("XDG_DATA_HOME");
    const QString outerTrash = outerData + QStringLiteral("/Trash/files");
    const auto entries = [](const QString& folder) {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    };
    const QStringList trashBefore = entries(outerTrash);
    const QStringList workingBefore = entries(QDir::currentPath());
    QTemporaryDir data;
    QVERIFY(data.isValid());
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    const bool hadData = qEnvironmentVariableIsSet("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));

    QElapsedTimer timer;
    timer.start();
    Soak soak(seed, events);
    soak.run();
    if (hadData)
        qputenv("XDG_DATA_HOME", oldData);
    else
        qunsetenv("XDG_DATA_HOME");
    QCOMPARE(entries(outerTrash), trashBefore);
    QCOMPARE(entries(QDir::currentPath()), workingBefore);
    QVERIFY2(!entries(data.path() + QStringLiteral("/Trash/files")).isEmpty() || events < 100,
             "no deletion reached the soak's own trash");
    if (QTest::currentTestFailed())
        qWarning("soak failed; repeat with ORVANE_SOAK_SEED=0x%llx ORVANE_SOAK_EVENTS=%d", seed,
                 events);
    else
        qInfo("soak: done in %lld ms", timer.elapsed());
}

QTEST_MAIN(SoakTest)
#include "tst_soak.moc"
