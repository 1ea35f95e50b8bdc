#include "support/doubles.h"
#include "support/files.h"
#include "support/imagecheck.h"
#include "support/testapp.h"

#include "controls/checkbox.h"
#include "controls/commondialog.h"
#include "system/drives.h"
#include "system/errors.h"
#include "controls/form.h"
#include "controls/keyascii.h"
#include "controls/optionbutton.h"
#include "image/picture.h"
#include "controls/picturebox.h"
#include "controls/qtdialogs.h"
#include "controls/screen.h"
#include "controls/scrollbar.h"
#include "system/system.h"
#include "controls/textbox.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTest>

using namespace platform;

class PlatformTest : public QObject {
    Q_OBJECT
private slots:
    void textBoxChangeOnlyWhenChanged();
    void textBoxHandlerRewritesItsOwnBox();
    void nestedFailureReachesOuterFailurePath();
    void userEditFailureStopsAtTheGuard();
    void scrollBarEvents();
    void scrollBarRefusesOutOfRange();
    void optionButtonSelectionRunsClick();
    void checkBoxClickOnChange();
    void paintPastTheSource_data();
    void paintPastTheSource();
    void pictureBoxLayers();
    void outlineCorners();
    void opaqueOverBackground();
    void savedColoursUnchanged();
    void saveFailsWithoutLeavingAFile();
    void loadRefuses_data();
    void loadRefuses();
    void loadKeepsExactSize();
    void commonDialog();
    void saveAddsDefaultExtension_data();
    void saveAddsDefaultExtension();
    void qtFilters();
    void drives_data();
    void drives();
    void formOuterSize_data();
    void formOuterSize();
    void keyCodes_data();
    void keyCodes();
    void separator_data();
    void separator();
    void makeFolderMakesExactlyOne();
};

void PlatformTest::textBoxChangeOnlyWhenChanged() {
    TextBox box(nullptr, QStringLiteral("16"), 4);
    int changes = 0;
    box.onChange = [&] { ++changes; };
    box.setText(QStringLiteral("16"));
    QCOMPARE(changes, 0);
    box.setText(QStringLiteral("32"));
    QCOMPARE(changes, 1);
    box.setFocus();
    QTest::keyClick(&box, Qt::Key_Backspace);
    QCOMPARE(box.text(), QStringLiteral("3"));
    QCOMPARE(changes, 2);
}

void PlatformTest::textBoxHandlerRewritesItsOwnBox() {
    TextBox box(nullptr, QString(), 4);
    QStringList seen;
    box.onChange = [&] {
        seen << box.text();
        if (box.text() == u"bad")
            box.setText(QStringLiteral("ok")); // nested run sees "ok" before this one ends
        seen << QStringLiteral("end ") + box.text();
    };
    box.setText(QStringLiteral("bad"));
    QCOMPARE(seen, (QStringList{"bad", "ok", "end ok", "end ok"}));
}

void PlatformTest::nestedFailureReachesOuterFailurePath() {
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

void PlatformTest::userEditFailureStopsAtTheGuard() {
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

void PlatformTest::scrollBarEvents() {
    ScrollBar bar(Qt::Horizontal, nullptr);
    int changes = 0;
    int scrolls = 0;
    bar.onChange = [&] { ++changes; };
    bar.onScroll = [&] { ++scrolls; };
    bar.setMax(552);
    QCOMPARE(changes, 0); // the value stayed 0
    bar.setValue(552);
    QCOMPARE(changes, 1);
    bar.setValue(552);
    QCOMPARE(changes, 1);
    bar.setMax(100); // lowers the value with it
    QCOMPARE(bar.value(), 100);
    QCOMPARE(changes, 2);
    bar.setValue(0);
    bar.triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(bar.value(), 16);
    bar.triggerAction(QAbstractSlider::SliderPageStepAdd);
    QCOMPARE(bar.value(), 100); // 16 + 128 is past the end
    QCOMPARE(changes, 5);
    QCOMPARE(scrolls, 0);
    // A wide range: no 16-bit limit.
    bar.setMax(100000);
    bar.setValue(99999);
    QCOMPARE(bar.value(), 99999);
}

void PlatformTest::scrollBarRefusesOutOfRange() {
    ScrollBar bar(Qt::Vertical, nullptr);
    bar.setMax(10);
    QVERIFY_THROWS_EXCEPTION(PlatformError, bar.setValue(11));
    QVERIFY_THROWS_EXCEPTION(PlatformError, bar.setValue(-1));
    QVERIFY_THROWS_EXCEPTION(PlatformError, bar.setMax(-1));
    QCOMPARE(bar.value(), 0);
}

void PlatformTest::optionButtonSelectionRunsClick() {
    QWidget group;
    OptionButton a(&group, QStringLiteral("A"), true);
    OptionButton b(&group, QStringLiteral("B"), false);
    int aClicks = 0;
    int bClicks = 0;
    a.onClick = [&] { ++aClicks; };
    b.onClick = [&] { ++bClicks; };
    b.setValue(true);
    QCOMPARE(bClicks, 1);
    QVERIFY(!a.value());
    b.setValue(true); // already selected
    QCOMPARE(bClicks, 1);
    group.show();
    QTest::mouseClick(&a, Qt::LeftButton);
    QCOMPARE(aClicks, 1);
    QVERIFY(a.value());
    QVERIFY(!b.value());
    QCOMPARE(bClicks, 1);
}

void PlatformTest::checkBoxClickOnChange() {
    CheckBox box(nullptr, QStringLiteral("Save to Clipboard"), true);
    QList<int> values;
    box.onClick = [&] { values << box.value(); };
    box.setValue(1);
    box.setValue(0);
    box.show();
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(box.width() - 2, box.height() / 2));
    QCOMPARE(values, (QList<int>{0, 1}));
}

void PlatformTest::paintPastTheSource_data() {
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

void PlatformTest::paintPastTheSource() {
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

void PlatformTest::pictureBoxLayers() {
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

void PlatformTest::outlineCorners() {
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

void PlatformTest::opaqueOverBackground() {
    QImage image(4, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(0, 0, 0, 0));
    image.setPixel(1, 0, qRgba(10, 20, 30, 255));
    image.setPixel(2, 0, qRgba(255, 0, 0, 0));
    image.setPixel(3, 0, qRgba(0, 0, 0, 255));
    const Picture picture(image);
    QVERIFY(picture.hasAlpha());
    QCOMPARE(picture.image().format(), QImage::Format_ARGB32);
    QCOMPARE(picture.image().pixel(2, 0), qRgba(255, 0, 0, 0)); // colour behind the alpha kept
    QCOMPARE(picture.shown().format(), QImage::Format_RGB32);
    QCOMPARE(picture.shown().pixel(0, 0), kBackColor);
    QCOMPARE(picture.shown().pixel(1, 0), qRgb(10, 20, 30));
    QCOMPARE(picture.shown().pixel(2, 0), kBackColor);
    QCOMPARE(picture.shown().pixel(3, 0), qRgb(0, 0, 0));
}

void PlatformTest::savedColoursUnchanged() {
    // Every value of every channel, in one 256 x 3 picture.
    QImage image(256, 3, QImage::Format_RGB32);
    for (int v = 0; v < 256; ++v) {
        image.setPixel(v, 0, qRgb(v, 255 - v, (v * 7) & 0xFF));
        image.setPixel(v, 1, qRgb((v * 3) & 0xFF, v, 255 - v));
        image.setPixel(v, 2, qRgb(255 - v, (v * 5) & 0xFF, v));
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("000.bmp"));
    savePicture(image, path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray head = file.read(30);
    QVERIFY(head.startsWith("BM"));
    QCOMPARE(int(uchar(head[28])), 24); // bits per pixel
    const QImage back(path);
    QCOMPARE(back.size(), image.size());
    VERIFY_SAME(back, image);
    QCOMPARE(entries(dir.path()), QStringList{"000.bmp"});
}

void PlatformTest::saveFailsWithoutLeavingAFile() {
    QTemporaryDir dir;
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::green);
    const QString missing = dir.filePath(QStringLiteral("gone/000.bmp"));
    QVERIFY_THROWS_EXCEPTION(PlatformError, savePicture(image, missing));
    QVERIFY_THROWS_EXCEPTION(PlatformError,
                             savePicture(QImage(), dir.filePath(QStringLiteral("001.bmp"))));
    QCOMPARE(entries(dir.path()), QStringList());
}

void PlatformTest::loadRefuses_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("text named .bmp") << QByteArray("this is not a picture\n");
    QTest::newRow("empty") << QByteArray();
    QImage image(20, 20, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QByteArray bmp;
    {
        QBuffer buffer(&bmp);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "BMP");
    }
    QTest::newRow("bitmap cut short") << bmp.left(bmp.size() - 20);
    QTest::newRow("bitmap header only") << bmp.left(54);
}

void PlatformTest::loadRefuses() {
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tileset.bmp"));
    QVERIFY(writeFile(path, bytes));
    QVERIFY_THROWS_EXCEPTION(PlatformError, loadPicture(path));
    QVERIFY_THROWS_EXCEPTION(PlatformError, loadPictureData(bytes));
}

void PlatformTest::loadKeepsExactSize() {
    QTemporaryDir dir;
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(Qt::yellow);
    image.setDotsPerMeterX(2835 * 3); // a file's recorded resolution plays no part
    image.setDotsPerMeterY(1234);
    const QString path = dir.filePath(QStringLiteral("tiny.bmp"));
    QVERIFY(image.save(path, "BMP"));
    const PicturePtr picture = loadPicture(path);
    QCOMPARE(picture->width(), 16);
    QCOMPARE(picture->height(), 16);
    // Whatever the name says, the content decides.
    const QString png = dir.filePath(QStringLiteral("really-a-png.bmp"));
    QVERIFY(image.save(png, "PNG"));
    QCOMPARE(loadPicture(png)->width(), 16);
    QVERIFY_THROWS_EXCEPTION(PlatformError, loadPicture(dir.filePath(QStringLiteral("none.bmp"))));
}

void PlatformTest::commonDialog() {
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

void PlatformTest::saveAddsDefaultExtension_data() {
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

void PlatformTest::saveAddsDefaultExtension() {
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

void PlatformTest::qtFilters() {
    const QStringList filters = qtNameFilters(CommonDialog::parseFilter(
        QStringLiteral("Supported bitmaps (*.bmp,*.gif,*.jpg)|*.bmp;*.gif;*.jpg|Other|*.png")));
    QCOMPARE(filters, (QStringList{"Supported bitmaps (*.bmp,*.gif,*.jpg) (*.bmp *.gif *.jpg)",
                                   "Other (*.png)"}));
}

void PlatformTest::drives_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("drive");
    const auto row = [](const char* name, const QString& path, const QString& drive) {
        QTest::newRow(name) << path << drive;
    };
    row("root", "/", "/");
    row("home", "/home/a/Tiles", "/");
    row("volume", "/media/usb/tiles", "/media/usb");
    row("volume root", "/media/usb", "/media/usb");
    row("same prefix, other folder", "/media/usb2/x", "/");
    row("nested volume", "/mnt/a/b/c", "/mnt/a/b");
}

void PlatformTest::drives() {
    QFETCH(QString, path);
    QFETCH(QString, drive);
    // The working folder must exist: a drive's current folder is one that opens.
    const QTemporaryDir working;
    const doubles::FixedDrives fixed({"/", "/media/usb", "/mnt/a", "/mnt/a/b"}, working.path());
    QCOMPARE(fixed.driveOf(path), drive);
    QCOMPARE(fixed.currentFolder(QStringLiteral("/")), working.path());
    QCOMPARE(fixed.currentFolder(QStringLiteral("/media/usb")), QStringLiteral("/media/usb"));
}

void PlatformTest::formOuterSize_data() {
    QTest::addColumn<double>("twipsPerPixel");
    QTest::addColumn<int>("client"); // pixels, both directions
    QTest::newRow("96 dpi, 32") << 15.0 << 32;
    QTest::newRow("96 dpi, 1") << 15.0 << 1;
    QTest::newRow("96 dpi, 448") << 15.0 << 448;
    QTest::newRow("120 dpi, 32") << 12.0 << 32;
    QTest::newRow("144 dpi, 17") << 10.0 << 17;
}

void PlatformTest::formOuterSize() {
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

void PlatformTest::keyCodes_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("code");
    QTest::newRow("backspace") << int(Qt::Key_Backspace) << "\b" << 8;
    QTest::newRow("escape") << int(Qt::Key_Escape) << "\x1b" << 27;
    QTest::newRow("return") << int(Qt::Key_Return) << "\r" << 13;
    QTest::newRow("delete gives none") << int(Qt::Key_Delete) << "\x7f" << 0;
    QTest::newRow("letter") << int(Qt::Key_A) << "a" << int('a');
    QTest::newRow("arrow gives none") << int(Qt::Key_Left) << "" << 0;
}

void PlatformTest::keyCodes() {
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(int, code);
    const QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCOMPARE(keyAscii(&event), code);
}

void PlatformTest::separator_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("result");
    const QString sep = QDir::separator();
    QTest::newRow("root") << sep << sep;
    QTest::newRow("below the root") << sep + "Tiles" << sep + "Tiles" + sep;
    QTest::newRow("deeper") << QDir::toNativeSeparators("/home/a/Tiles")
                            << QDir::toNativeSeparators("/home/a/Tiles/");
    QTest::newRow("already there")
        << QDir::toNativeSeparators("/home/a/") << QDir::toNativeSeparators("/home/a/");
}

void PlatformTest::separator() {
    QFETCH(QString, folder);
    QFETCH(QString, result);
    QCOMPARE(withSeparator(folder), result);
}

void PlatformTest::makeFolderMakesExactlyOne() {
    QTemporaryDir dir;
    makeFolder(dir.filePath(QStringLiteral("new")));
    QVERIFY(QDir(dir.filePath(QStringLiteral("new"))).exists());
    QVERIFY_THROWS_EXCEPTION(PlatformError, makeFolder(dir.filePath(QStringLiteral("new"))));
    QVERIFY_THROWS_EXCEPTION(PlatformError, makeFolder(dir.filePath(QStringLiteral("a/b"))));
    QVERIFY(!QDir(dir.filePath(QStringLiteral("a"))).exists());
    makeFolder(dir.filePath(QStringLiteral("new/inner")));
    QVERIFY(QDir(dir.filePath(QStringLiteral("new/inner"))).exists());
}

QTEST_MAIN(PlatformTest)
#include "tst_platform.moc"
