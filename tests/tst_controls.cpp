#include "support/doubles.h"
#include "support/imagecheck.h"

#include "controls/commondialog.h"
#include "controls/form.h"
#include "controls/picturebox.h"
#include "controls/qtdialogs.h"
#include "controls/scrollbar.h"
#include "controls/textbox.h"
#include "image/picture.h"
#include "system/errors.h"

#include <QTest>

#include <cmath>

using namespace platform;

// What the controls do beyond the Qt widgets they are made of, where no feature
// of the window shows it on its own: failures inside handlers, refused values,
// the picture box's two layers, the common dialog's properties and the form's
// outer size in twips. How the window's features use them is tested with those
// features.
class ControlsTest : public QObject {
    Q_OBJECT
private slots:
    void nestedFailureReachesOuterFailurePath();
    void userEditFailureStopsAtTheGuard();
    void scrollBarRefusesOutOfRange();
    void paintPastTheSource_data();
    void paintPastTheSource();
    void pictureBoxLayers();
    void outlineCorners();
    void commonDialog();
    void saveAddsDefaultExtension_data();
    void saveAddsDefaultExtension();
    void qtFilters();
    void formOuterSize_data();
    void formOuterSize();
};

void ControlsTest::nestedFailureReachesOuterFailurePath() {
    TextBox inner(nullptr, QStringLiteral("a"), 10);
    inner.onChange = [] { throw PlatformError(QStringLiteral("inner")); };
    QStringList steps;
    const auto outerHandler = [&] {
        try {
            steps << QStringLiteral("before");
            inner.setText(QStringLiteral("b"));
            steps << QStringLiteral("after");
        } catch (const PlatformError& e) {
            steps << QStringLiteral("failure path: ") + QString::fromStdString(e.what());
        }
    };
    outerHandler();
    QCOMPARE(steps, (QStringList{"before", "failure path: inner"}));
    QCOMPARE(inner.text(), QStringLiteral("b"));
}

namespace {
QStringList reportedDefects;
void recordDefect(const char* what) {
    reportedDefects << QString::fromUtf8(what);
}
} // namespace

void ControlsTest::userEditFailureStopsAtTheGuard() {
    // A failure no handler armed a path for stops at the slot's guard, which
    // reports it as a defect instead of letting it unwind through Qt.
    TextBox box(nullptr, QString(), 10);
    int runs = 0;
    box.onChange = [&] {
        ++runs;
        throw PlatformError(QStringLiteral("refused"));
    };
    reportedDefects.clear();
    const DefectHandler before = setDefectHandler(&recordDefect);
    box.setFocus();
    QTest::keyClicks(&box, QStringLiteral("ab"));
    setDefectHandler(before);
    QCOMPARE(runs, 2);
    QCOMPARE(box.text(), QStringLiteral("ab"));
    QCOMPARE(reportedDefects, (QStringList{"refused", "refused"}));
}

void ControlsTest::scrollBarRefusesOutOfRange() {
    ScrollBar bar(Qt::Vertical, nullptr);
    bar.setMax(10);
    QVERIFY_THROWS_EXCEPTION(PlatformError, bar.setValue(11));
    QVERIFY_THROWS_EXCEPTION(PlatformError, bar.setValue(-1));
    QVERIFY_THROWS_EXCEPTION(PlatformError, bar.setMax(-1));
    QCOMPARE(bar.value(), 0);
}

void ControlsTest::paintPastTheSource_data() {
    QTest::addColumn<QRect>("source"); // (sx, sy, w, h) copied to (0, 0)
    QTest::newRow("inside") << QRect(3, 4, 8, 5);
    QTest::newRow("whole") << QRect(0, 0, 20, 10);
    QTest::newRow("past the right") << QRect(15, 2, 10, 5);
    QTest::newRow("past the bottom") << QRect(2, 8, 5, 6);
    QTest::newRow("before the left") << QRect(-3, 0, 6, 4);
    QTest::newRow("above the top") << QRect(0, -2, 4, 6);
    QTest::newRow("all outside") << QRect(30, 30, 4, 4);
    QTest::newRow("larger than the source") << QRect(-2, -2, 24, 14);
}

void ControlsTest::paintPastTheSource() {
    QFETCH(QRect, source);
    QImage from(20, 10, QImage::Format_RGB32);
    for (int y = 0; y < from.height(); ++y)
        for (int x = 0; x < from.width(); ++x)
            from.setPixel(x, y, qRgb(x * 10, y * 20, 77));
    PictureBox box(nullptr, source.width(), source.height());
    QImage black(source.size(), QImage::Format_RGB32);
    black.fill(Qt::black);
    box.paintPicture(black, 0, 0, source.width(), source.height(), 0, 0);
    box.paintPicture(from, 0, 0, source.width(), source.height(), source.x(), source.y());
    const QImage& to = box.image();
    QImage expected(source.size(), QImage::Format_RGB32);
    for (int y = 0; y < to.height(); ++y) {
        for (int x = 0; x < to.width(); ++x) {
            const QPoint at(source.x() + x, source.y() + y);
            expected.setPixel(x, y, from.rect().contains(at) ? from.pixel(at) : kBackColor);
        }
    }
    VERIFY_SAME(to, expected);
}

void ControlsTest::pictureBoxLayers() {
    PictureBox box(nullptr, 40, 30);
    const QImage tile = QImage(40, 30, QImage::Format_RGB32);
    QImage red = tile;
    red.fill(Qt::red);
    box.paintPicture(red, 0, 0, 40, 30, 0, 0);
    QCOMPARE(box.image().pixel(10, 10), qRgb(255, 0, 0));

    box.setForeColor(qRgb(0, 0, 255));
    box.setAutoRedraw(false);
    box.lineBox(5, 5, 20, 15);
    QCOMPARE(painted(&box).pixel(5, 5), qRgb(0, 0, 255));
    QCOMPARE(box.image().pixel(5, 5), qRgb(255, 0, 0)); // never part of Image
    box.refresh();
    QCOMPARE(painted(&box).pixel(5, 5), qRgb(255, 0, 0));

    box.lineBox(5, 5, 20, 15);
    box.setAutoRedraw(true);
    box.paintPicture(red, 0, 0, 40, 30, 0, 0); // persistent drawing wipes the screen layer
    QCOMPARE(painted(&box).pixel(5, 5), qRgb(255, 0, 0));

    box.lineBox(1, 1, 3, 3); // with AutoRedraw on it goes into Image
    QCOMPARE(box.image().pixel(1, 1), qRgb(0, 0, 255));
    box.cls();
    QCOMPARE(box.image().pixel(1, 1), kBackColor);
    QCOMPARE(box.image().pixel(10, 10), kBackColor);
}

void ControlsTest::outlineCorners() {
    PictureBox box(nullptr, 30, 30);
    box.setForeColor(qRgb(255, 255, 255));
    box.setAutoRedraw(false);
    box.lineBox(9, 9, 12, 31); // the bottom side lies past the box
    const QImage screen = painted(&box);
    QImage expected(30, 30, QImage::Format_RGB32);
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 30; ++x) {
            const bool onOutline =
                (x == 9 || x == 12) && y >= 9 ? true : (y == 9 && x >= 9 && x <= 12);
            expected.setPixel(x, y, onOutline ? qRgb(255, 255, 255) : kBackColor);
        }
    }
    VERIFY_SAME(screen, expected);
}

void ControlsTest::commonDialog() {
    doubles::ScriptedDialogs dialogs;
    CommonDialog cmdb(dialogs);
    cmdb.dialogTitle = QStringLiteral("Import Tileset");
    cmdb.filter = QStringLiteral("Supported bitmaps (*.bmp,*.gif,*.jpg)|*.bmp;*.gif;*.jpg");
    cmdb.fileName = QStringLiteral("/last/one.bmp");
    QVERIFY_THROWS_EXCEPTION(CancelError, cmdb.showOpen());
    QCOMPARE(cmdb.fileName, QStringLiteral("/last/one.bmp"));
    QCOMPARE(dialogs.fileRequests.size(), 1);
    const FileRequest& shown = dialogs.fileRequests.front();
    QCOMPARE(shown.title, QStringLiteral("Import Tileset"));
    QCOMPARE(shown.fileName, QStringLiteral("/last/one.bmp"));
    QCOMPARE(shown.filters.size(), 1);
    QCOMPARE(shown.filters[0].description, QStringLiteral("Supported bitmaps (*.bmp,*.gif,*.jpg)"));
    QCOMPARE(shown.filters[0].patterns, (QStringList{"*.bmp", "*.gif", "*.jpg"}));

    dialogs.fileAnswers.push_back(QStringLiteral("/tiles/a.gif"));
    cmdb.showOpen();
    QCOMPARE(cmdb.fileName, QStringLiteral("/tiles/a.gif"));

    cmdb.color = qRgb(1, 2, 3);
    QVERIFY_THROWS_EXCEPTION(CancelError, cmdb.showColor());
    QCOMPARE(cmdb.color, qRgb(1, 2, 3));
    dialogs.colorAnswers.push_back(qRgb(200, 100, 50));
    cmdb.showColor();
    QCOMPARE(cmdb.color, qRgb(200, 100, 50));
}

void ControlsTest::saveAddsDefaultExtension_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("saved");
    const auto row = [](const char* name, const QString& typed, const QString& saved) {
        QTest::newRow(name) << typed << saved;
    };
    row("no extension", "/out/tile", "/out/tile.bmp");
    row("bmp", "/out/tile.bmp", "/out/tile.bmp");
    row("other extension", "/out/tile.png", "/out/tile.png");
    row("dot in the folder", "/out.d/tile", "/out.d/tile.bmp");
}

void ControlsTest::saveAddsDefaultExtension() {
    QFETCH(QString, typed);
    QFETCH(QString, saved);
    doubles::ScriptedDialogs dialogs;
    CommonDialog cmdb(dialogs);
    cmdb.defaultExt = QStringLiteral(".bmp");
    dialogs.fileAnswers.push_back(typed);
    cmdb.showSave();
    QCOMPARE(cmdb.fileName, saved);
    QCOMPARE(dialogs.fileRequests.front().kind, FileRequest::Save);
}

void ControlsTest::qtFilters() {
    const QStringList filters = qtNameFilters(CommonDialog::parseFilter(
        QStringLiteral("Supported bitmaps (*.bmp,*.gif,*.jpg)|*.bmp;*.gif;*.jpg|Other|*.png")));
    QCOMPARE(filters, (QStringList{"Supported bitmaps (*.bmp,*.gif,*.jpg) (*.bmp *.gif *.jpg)",
                                   "Other (*.png)"}));
}

void ControlsTest::formOuterSize_data() {
    QTest::addColumn<double>("twipsPerPixel");
    QTest::addColumn<int>("client"); // pixels, both directions
    QTest::newRow("96 dpi, 32") << 15.0 << 32;
    QTest::newRow("96 dpi, 1") << 15.0 << 1;
    QTest::newRow("96 dpi, 448") << 15.0 << 448;
    QTest::newRow("120 dpi, 32") << 12.0 << 32;
    QTest::newRow("144 dpi, 17") << 10.0 << 17;
}

void ControlsTest::formOuterSize() {
    QFETCH(double, twipsPerPixel);
    QFETCH(int, client);
    const doubles::FixedScreen screen(twipsPerPixel);
    Form form(nullptr, screen, Qt::Tool);
    form.setOuterWidth(client * twipsPerPixel + 150);
    form.setOuterHeight(client * twipsPerPixel + 360);
    if (twipsPerPixel == 15.0) {
        QCOMPARE(form.size(), QSize(client, client));
        QCOMPARE(form.outerWidth(), client * 15.0 + 150);
        QCOMPARE(form.outerHeight(), client * 15.0 + 360);
    } else {
        // The frame allowance is fixed in pixels, not twips.
        const int w = int(std::lround((client * twipsPerPixel + 150) / twipsPerPixel)) - 10;
        const int h = int(std::lround((client * twipsPerPixel + 360) / twipsPerPixel)) - 24;
        QCOMPARE(form.size(), QSize(w, h));
    }
    form.setClientLimit(QSize(10, 12));
    form.setOuterWidth(client * twipsPerPixel + 150);
    form.setOuterHeight(client * twipsPerPixel + 360);
    QVERIFY(form.width() <= 10);
    QVERIFY(form.height() <= 12);
}

QTEST_MAIN(ControlsTest)
#include "tst_controls.moc"
