#include "support/imagecheck.h"
#include "support/testapp.h"

#include "platform/clipboard.h"
#include "platform/form.h"
#include "platform/label.h"
#include "platform/optionbutton.h"
#include "platform/picturebox.h"
#include "platform/scrollbar.h"
#include "platform/textbox.h"

#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QImageWriter>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include <algorithm>
#include <cstdlib>

namespace {

// A fixed 16 x 16 selection released at (x, y), so that the Selection view holds something.
void captureAt(TestApp& app, int x, int y) {
    app.f().o_fixed->setValue(true);
    app.clickView(x, y);
}

} // namespace

class ViewTest : public QObject {
    Q_OBJECT
private slots:
    void fitLayout_data();
    void fitLayout();
    void scrollToMax_data();
    void scrollToMax();
    void thumbDragRedrawsContinuously();
    void arrowAndPageSteps();
    void secondImportResetsOffset();
    void refusalKeepsTileset_data();
    void refusalKeepsTileset();
    void accepted_data();
    void accepted();
    void transparentOverBackground_data();
    void transparentOverBackground();
    void gifFixture();
    void textOnSystemClipboard();
    void hugeTileset();
    void drop_data();
    void drop();
    void shortcuts();
};

void ViewTest::fitLayout_data() {
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("view");
    QTest::addColumn<bool>("hBar");
    QTest::addColumn<bool>("vBar");
    QTest::addColumn<int>("hMax");
    QTest::addColumn<int>("vMax");
    QTest::addColumn<QString>("limits");
    QTest::newRow("smaller both ways")
        << QSize(100, 80) << QSize(100, 80) << false << false << 0 << 0 << "Max: 100 X 80";
    QTest::newRow("1000 x 300") << QSize(1000, 300) << QSize(448, 300) << true << false << 552 << 0
                                << "Max: 448 X 300";
    QTest::newRow("taller") << QSize(300, 1000) << QSize(300, 640) << false << true << 0 << 360
                            << "Max: 300 X 640";
    QTest::newRow("larger both ways")
        << QSize(1000, 700) << QSize(448, 640) << true << true << 552 << 60 << "Max: 448 X 640";
    QTest::newRow("exactly 448 wide")
        << QSize(448, 300) << QSize(448, 300) << true << false << 0 << 0 << "Max: 448 X 300";
    QTest::newRow("exactly 640 high")
        << QSize(200, 640) << QSize(200, 640) << false << true << 0 << 0 << "Max: 200 X 640";
    QTest::newRow("exactly the largest view")
        << QSize(448, 640) << QSize(448, 640) << true << true << 0 << 0 << "Max: 448 X 640";
    QTest::newRow("one short of the largest view")
        << QSize(447, 639) << QSize(447, 639) << false << false << 0 << 0 << "Max: 447 X 639";
    QTest::newRow("smallest") << QSize(16, 16) << QSize(16, 16) << false << false << 0 << 0
                              << "Max: 16 X 16";
}

void ViewTest::fitLayout() {
    QFETCH(QSize, picture);
    QFETCH(QSize, view);
    QFETCH(bool, hBar);
    QFETCH(bool, vBar);
    QFETCH(int, hMax);
    QFETCH(int, vMax);
    QFETCH(QString, limits);
    TestApp app;
    MainForm& f = app.f();
    const QPoint viewAt = f.pics->pos();
    const QPoint hBarAt = f.HScroll1->pos();
    const QPoint vBarAt = f.VScroll1->pos();

    // A capture of an earlier tileset, which the fit must clear away.
    app.importImage(patternImage(64, 64), QStringLiteral("first.png"));
    captureAt(app, 40, 20);
    QCOMPARE(f.pict->size(), QSize(16, 16));

    app.importImage(patternImage(picture.width(), picture.height()));
    QVERIFY(app.dialogs.messages.isEmpty());
    QCOMPARE(f.pics->size(), view);
    QCOMPARE(f.pics->pos(), viewAt);
    QCOMPARE(f.HScroll1->isVisibleTo(app.window.get()), hBar);
    QCOMPARE(f.VScroll1->isVisibleTo(app.window.get()), vBar);
    QCOMPARE(f.HScroll1->pos(), QPoint(hBarAt.x(), viewAt.y() + view.height() + 1));
    QCOMPARE(f.VScroll1->pos(), QPoint(viewAt.x() + view.width() + 1, vBarAt.y()));
    QCOMPARE(f.HScroll1->width(), 448);
    QCOMPARE(f.VScroll1->height(), 640);
    QCOMPARE(f.HScroll1->max(), hMax);
    QCOMPARE(f.VScroll1->max(), vMax);
    QCOMPARE(f.HScroll1->value(), 0);
    QCOMPARE(f.VScroll1->value(), 0);
    QCOMPARE(f.state.maxTileWidth, double(view.width()));
    QCOMPARE(f.state.maxTileHeight, double(view.height()));
    QCOMPARE(f.state.tileWidth, 16.0);
    QCOMPARE(f.state.tileHeight, 16.0);
    QCOMPARE(f.Label3->caption(), limits);

    // The view shows the picture's top-left corner, one to one, and paints just that.
    QCOMPARE(f.pics->image().size(), view);
    VERIFY_PATTERN(f.pics->image(), 0, 0);
    VERIFY_SAME(painted(f.pics), f.pics->image());

    // The Selection view is back at its starting size and empty.
    QCOMPARE(f.frm_pict->outerWidth(), 1680.0);
    QCOMPARE(f.frm_pict->outerHeight(), 1635.0);
    QCOMPARE(f.pict->size(), QSize(32, 32));
    VERIFY_SAME(f.pict->image(), backgroundImage(32, 32));
}

void ViewTest::scrollToMax_data() {
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<bool>("horizontal");
    QTest::addColumn<bool>("vertical");
    QTest::addColumn<bool>("byUser"); // the bar's own action rather than the program's Value
    QTest::newRow("across") << QSize(1000, 300) << true << false << false;
    QTest::newRow("across, user") << QSize(1000, 300) << true << false << true;
    QTest::newRow("down") << QSize(300, 1000) << false << true << false;
    QTest::newRow("down, user") << QSize(300, 1000) << false << true << true;
    QTest::newRow("both") << QSize(1000, 900) << true << true << false;
    QTest::newRow("both, user") << QSize(1000, 900) << true << true << true;
}

void ViewTest::scrollToMax() {
    QFETCH(QSize, picture);
    QFETCH(bool, horizontal);
    QFETCH(bool, vertical);
    QFETCH(bool, byUser);
    TestApp app;
    MainForm& f = app.f();
    app.importImage(patternImage(64, 64), QStringLiteral("first.png"));
    captureAt(app, 40, 20);
    app.importImage(patternImage(picture.width(), picture.height()));
    captureAt(app, 50, 30);
    const QImage capture = f.pict->image();
    const double tileWidth = f.state.tileWidth;

    for (platform::ScrollBar* bar :
         {horizontal ? f.HScroll1 : nullptr, vertical ? f.VScroll1 : nullptr}) {
        if (!bar)
            continue;
        if (byUser)
            bar->triggerAction(QAbstractSlider::SliderToMaximum);
        else
            bar->setValue(bar->max());
    }
    const int sx = f.HScroll1->value();
    const int sy = f.VScroll1->value();
    QCOMPARE(sx, horizontal ? picture.width() - 448 : 0);
    QCOMPARE(sy, vertical ? picture.height() - 640 : 0);
    // The view's right and bottom edges show the picture's.
    VERIFY_PATTERN(f.pics->image(), sx, sy);
    VERIFY_SAME(painted(f.pics), f.pics->image());
    // Scrolling moves the view only.
    VERIFY_SAME(f.pict->image(), capture);
    QCOMPARE(f.state.tileWidth, tileWidth);
    QCOMPARE(f.state.selLeft, 50.0 - 16);
}

void ViewTest::thumbDragRedrawsContinuously() {
    TestApp app;
    MainForm& f = app.f();
    app.importImage(patternImage(1000, 900));
    int scrolls = 0;
    int changes = 0;
    countCalls(f.HScroll1->onScroll, scrolls);
    countCalls(f.HScroll1->onChange, changes);
    f.HScroll1->setSliderDown(true);
    for (int position : {1, 100, 333, 552}) {
        f.HScroll1->setSliderPosition(position);
        QCOMPARE(f.HScroll1->value(), position);
        VERIFY_PATTERN(f.pics->image(), position, 0);
    }
    f.HScroll1->setSliderDown(false);
    QCOMPARE(scrolls, 4);
    QCOMPARE(changes, 0);
}

void ViewTest::arrowAndPageSteps() {
    TestApp app;
    MainForm& f = app.f();
    app.importImage(patternImage(300, 1000));
    const struct {
        QAbstractSlider::SliderAction action;
        int value;
    } steps[] = {
        {QAbstractSlider::SliderSingleStepAdd, 16},  {QAbstractSlider::SliderPageStepAdd, 144},
        {QAbstractSlider::SliderSingleStepSub, 128}, {QAbstractSlider::SliderPageStepAdd, 256},
        {QAbstractSlider::SliderPageStepAdd, 360}, // stops at Max
        {QAbstractSlider::SliderToMinimum, 0}};
    for (const auto& step : steps) {
        f.VScroll1->triggerAction(step.action);
        QCOMPARE(f.VScroll1->value(), step.value);
        VERIFY_PATTERN(f.pics->image(), 0, step.value);
    }
}

void ViewTest::secondImportResetsOffset() {
    TestApp app;
    MainForm& f = app.f();
    app.importImage(patternImage(1000, 1000), QStringLiteral("first.png"));
    f.HScroll1->setValue(300);
    f.VScroll1->setValue(200);
    VERIFY_PATTERN(f.pics->image(), 300, 200);

    // The second picture is the pattern from (64, 32), so that it differs from the first.
    const QImage second = patternImage(700, 800).copy(64, 32, 636, 768);
    app.pasteImage(second); // through the paste this time
    QVERIFY(app.dialogs.messages.isEmpty());
    QCOMPARE(f.HScroll1->value(), 0);
    QCOMPARE(f.VScroll1->value(), 0);
    QCOMPARE(f.HScroll1->max(), 636 - 448);
    QCOMPARE(f.VScroll1->max(), 768 - 640);
    VERIFY_PATTERN(f.pics->image(), 64, 32);

    f.HScroll1->setValue(100);
    app.importImage(patternImage(500, 400), QStringLiteral("third.bmp"));
    QCOMPARE(f.HScroll1->value(), 0);
    QCOMPARE(f.VScroll1->value(), 0);
    QCOMPARE(f.pics->size(), QSize(448, 400));
    VERIFY_PATTERN(f.pics->image(), 0, 0);
}

void ViewTest::refusalKeepsTileset_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("message"); // empty: none
    const QString tooSmall = QStringLiteral("Image too small. Can't import!");
    const QString clipboardSmall = QStringLiteral("Invalid Clipboard data or image too small!");
    const auto row = [](const char* name, const char* how, const QString& message = QString()) {
        QTest::newRow(name) << QString::fromLatin1(how) << message;
    };
    row("dialog cancelled", "cancel");
    row("missing file", "missing");
    row("text file named .bmp", "text");
    row("truncated bitmap", "truncated");
    row("200 x 15", "file 200 15", tooSmall);
    row("15 x 16", "file 15 16", tooSmall);
    row("16 x 15", "file 16 15", tooSmall);
    row("clipboard without a bitmap", "clipboard 0 0", clipboardSmall);
    row("clipboard 200 x 15", "clipboard 200 15", clipboardSmall);
    row("clipboard 15 x 16", "clipboard 15 16", clipboardSmall);
    row("clipboard unreadable", "unreadable", QStringLiteral("Invalid Clipboard data!"));
    row("dropped text file", "drop text");
    row("dropped 15 x 200", "drop 15 200", tooSmall);
}

void ViewTest::refusalKeepsTileset() {
    QFETCH(QString, how);
    QFETCH(QString, message);
    TestApp app;
    MainForm& f = app.f();
    app.importImage(patternImage(1000, 900));
    f.HScroll1->setValue(100);
    f.VScroll1->setValue(50);
    captureAt(app, 40, 20);
    const platform::PicturePtr tileset = f.state.sourcePicture;
    const QImage view = f.pics->image();
    const QImage capture = f.pict->image();
    const QSize selectionView = f.frm_pict->size();
    const QString limits = f.Label3->caption();

    const QStringList words = how.split(u' ');
    const QString path = app.dir.filePath(QStringLiteral("candidate.bmp"));
    if (words[0] == u"file" || (words[0] == u"drop" && words.size() == 3)) {
        QVERIFY(patternImage(words[1].toInt(), words[2].toInt()).save(path));
    } else if (words[0] == u"text" || words[0] == u"drop") {
        QVERIFY(writeFile(path, "Not a picture, only text with a picture's name.\n"));
    } else if (words[0] == u"truncated") {
        QVERIFY(patternImage(64, 64).save(path));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.resize(file.size() / 2));
    } else if (words[0] == u"clipboard") {
        if (words[1] != u"0")
            app.clipboard.content = patternImage(words[1].toInt(), words[2].toInt());
    } else if (words[0] == u"unreadable") {
        app.clipboard.unreadable = true;
    }

    if (words[0] == u"clipboard" || words[0] == u"unreadable") {
        app.window->Command6_Click();
    } else if (words[0] == u"drop") {
        app.window->pics_DropFile(path);
    } else {
        if (words[0] == u"missing")
            app.importFile(app.dir.filePath(QStringLiteral("nowhere.bmp")));
        else if (words[0] == u"cancel")
            app.window->b_open_Click();
        else
            app.importFile(path);
    }

    QCOMPARE(app.dialogs.messages, message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(f.state.sourcePicture, tileset);
    QCOMPARE(f.state.maxTileWidth, 448.0);
    QCOMPARE(f.state.maxTileHeight, 640.0);
    QCOMPARE(f.Label3->caption(), limits);
    QCOMPARE(f.HScroll1->value(), 100);
    QCOMPARE(f.VScroll1->value(), 50);
    QCOMPARE(f.HScroll1->max(), 552);
    QCOMPARE(f.VScroll1->max(), 260);
    QCOMPARE(f.pics->size(), QSize(448, 640));
    VERIFY_SAME(f.pics->image(), view);
    VERIFY_SAME(f.pict->image(), capture);
    QCOMPARE(f.frm_pict->size(), selectionView);

    // The old tileset still scrolls.
    f.HScroll1->setValue(552);
    VERIFY_PATTERN(f.pics->image(), 552, 50);
}

void ViewTest::accepted_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("exact"); // lossless: the view holds the pattern itself
    QTest::newRow("16 x 16 png") << "16x16.png" << QSize(16, 16) << true;
    QTest::newRow("16 x 16 bmp") << "16x16.bmp" << QSize(16, 16) << true;
    QTest::newRow("16 x 16 at 300 dpi") << "16x16.png 11811" << QSize(16, 16) << true;
    QTest::newRow("16 x 16 at 25 dpi") << "16x16.png 984" << QSize(16, 16) << true;
    QTest::newRow("16 x 16 clipboard") << "clipboard" << QSize(16, 16) << true;
    QTest::newRow("256 colours") << "40x30.bmp indexed" << QSize(40, 30) << false;
    QTest::newRow("png named .bmp") << "64x48.bmp png" << QSize(64, 48) << true;
    QTest::newRow("jpg") << "600x50.jpg" << QSize(600, 50) << false;
}

void ViewTest::accepted() {
    QFETCH(QString, how);
    QFETCH(QSize, size);
    QFETCH(bool, exact);
    TestApp app;
    MainForm& f = app.f();
    QImage picture = patternImage(size.width(), size.height());
    const QStringList words = how.split(u' ');
    QString path;
    if (words[0] == u"clipboard") {
        app.pasteImage(picture);
    } else {
        path = app.dir.filePath(QStringLiteral("tileset.") + words[0].section(u'.', 1));
        if (path.endsWith(u".jpg") && !QImageWriter::supportedImageFormats().contains("jpeg"))
            QSKIP("No JPEG writer here");
        if (words.value(1) == u"indexed") {
            picture = picture.convertToFormat(QImage::Format_Indexed8);
        } else if (!words.value(1).isEmpty() && words.value(1) != u"png") {
            picture.setDotsPerMeterX(words[1].toInt());
            picture.setDotsPerMeterY(words[1].toInt());
        }
        QVERIFY(picture.save(path, words.value(1) == u"png" ? "PNG" : nullptr));
        app.importFile(path);
    }
    QVERIFY(app.dialogs.messages.isEmpty());
    QVERIFY(f.state.sourcePicture);
    QCOMPARE(QSize(f.state.sourcePicture->width(), f.state.sourcePicture->height()), size);
    QCOMPARE(f.pics->size(), QSize(std::min(size.width(), 448), std::min(size.height(), 640)));
    if (exact) {
        VERIFY_PATTERN(f.pics->image(), 0, 0);
    } else {
        // Reduced or lossy: the view holds what the file holds, read on its own.
        const QImage file = QImage(path).convertToFormat(QImage::Format_RGB32);
        VERIFY_SAME(f.pics->image(), file.copy(f.pics->rect()));
    }
}

void ViewTest::transparentOverBackground_data() {
    QTest::addColumn<bool>("clipboard");
    QTest::addColumn<int>("format");
    QTest::newRow("png") << false << int(QImage::Format_ARGB32);
    QTest::newRow("clipboard") << true << int(QImage::Format_ARGB32);
    QTest::newRow("clipboard, premultiplied") << true << int(QImage::Format_ARGB32_Premultiplied);
}

void ViewTest::transparentOverBackground() {
    QFETCH(bool, clipboard);
    QFETCH(int, format);
    TestApp app;
    MainForm& f = app.f();
    // Left half fully transparent (with colour behind the alpha), right half opaque,
    // one column half transparent.
    QImage picture(64, 40, QImage::Format_ARGB32);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 64; ++x)
            picture.setPixel(x, y,
                             x < 32    ? qRgba(255, 0, 0, 0)
                             : x == 32 ? qRgba(0, 0, 255, 128)
                                       : patternPixel(x, y));
    picture = picture.convertToFormat(QImage::Format(format));
    if (clipboard)
        app.pasteImage(picture);
    else
        app.importImage(picture);
    QVERIFY(app.dialogs.messages.isEmpty());
    const QImage& view = f.pics->shownImage();
    QCOMPARE(view.size(), QSize(64, 40));
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 64; ++x) {
            const QRgb got = view.pixel(x, y) & 0xFFFFFF;
            if (x < 32) {
                QCOMPARE(got, kBack & 0xFFFFFF);
            } else if (x == 32) {
                // Half of blue over half of the background.
                QVERIFY2(std::abs(qRed(got) - 0x70) <= 2 && std::abs(qGreen(got) - 0x70) <= 2 &&
                             std::abs(qBlue(got) - 0xEF) <= 2,
                         qPrintable(QString::number(got, 16)));
            } else {
                QCOMPARE(got, patternPixel(x, y) & 0xFFFFFF);
            }
        }
    }
    VERIFY_SAME(painted(f.pics), view);

    // A capture over the transparent part keeps it transparent, and the Selection
    // view shows it over the background colour.
    captureAt(app, 20, 20);
    VERIFY_SAME(f.pict->shownImage(), backgroundImage(16, 16));
    QCOMPARE(qAlpha(f.pict->image().pixel(5, 5)), 0);
}

void ViewTest::gifFixture() {
    if (!QImageReader::supportedImageFormats().contains("gif"))
        QSKIP("No GIF reader here");
    TestApp app;
    MainForm& f = app.f();
    const QString path = app.dir.filePath(QStringLiteral("tiles.gif"));
    QVERIFY(QFile::copy(QStringLiteral(ORVANE_TEST_DATA "/tile20x16.gif"), path));
    app.importFile(path);
    QVERIFY(app.dialogs.messages.isEmpty());
    QCOMPARE(f.pics->size(), QSize(20, 16));
    // The fixture's colours by index; index 3 is transparent.
    const QRgb palette[] = {0xC02010, 0x10A030, 0x2040F0, kBack & 0xFFFFFF};
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 20; ++x)
            QCOMPARE(f.pics->shownImage().pixel(x, y) & 0xFFFFFF,
                     palette[(x / 3 + 2 * (y / 2)) % 4]);
}

void ViewTest::textOnSystemClipboard() {
    TestApp app;
    platform::SystemClipboard system;
    frm_ov_main window(Services{app.dialogs, system, *app.drives, app.screen, *app.system});
    MainForm& f = window.form();

    QGuiApplication::clipboard()->setText(QStringLiteral("a tile, in words"));
    window.Command6_Click();
    QCOMPARE(app.dialogs.messages,
             QStringList{QStringLiteral("Invalid Clipboard data or image too small!")});
    QVERIFY(!f.state.sourcePicture);

    QGuiApplication::clipboard()->setImage(patternImage(40, 30));
    window.Command6_Click();
    QCOMPARE(app.dialogs.messages.size(), 1);
    QCOMPARE(f.pics->size(), QSize(40, 30));
    VERIFY_PATTERN(f.pics->image(), 0, 0);
}

void ViewTest::hugeTileset() {
    // Two colours, one bit a pixel: the file stays small while the tileset is
    // 16384 x 16384. The two far corners carry different marks.
    constexpr int kSide = 16384;
    const QRgb colours[] = {0xFF3060A0, 0xFFF0C020};
    const auto index = [](int x, int y) {
        if (x >= kSide - 512 && y >= kSide - 700)
            return (x * 3 + y * 5) % 7 == 0 ? 1 : 0;
        if (x < 512 && y < 700)
            return (x ^ y) & 8 ? 1 : 0;
        return 0;
    };
    QImage picture(kSide, kSide, QImage::Format_Mono);
    QVERIFY(!picture.isNull());
    picture.setColorTable({colours[0], colours[1]});
    picture.fill(0);
    for (int y = 0; y < kSide; ++y) {
        if (y >= 700 && y < kSide - 700)
            continue;
        for (int x = 0; x < kSide; ++x) {
            if (x >= 512 && x < kSide - 512)
                continue;
            if (index(x, y))
                picture.setPixel(x, y, 1);
        }
    }
    TestApp app;
    MainForm& f = app.f();
    app.importImage(picture, QStringLiteral("huge.png"));
    picture = QImage();
    QVERIFY(app.dialogs.messages.isEmpty());
    QCOMPARE(f.pics->size(), QSize(448, 640));
    QCOMPARE(f.HScroll1->max(), kSide - 448);
    QCOMPARE(f.VScroll1->max(), kSide - 640);

    const auto viewShows = [&](int sx, int sy) -> QString {
        const QImage& view = f.pics->image();
        for (int y = 0; y < view.height(); ++y)
            for (int x = 0; x < view.width(); ++x)
                if ((view.pixel(x, y) & 0xFFFFFF) != (colours[index(sx + x, sy + y)] & 0xFFFFFF))
                    return QStringLiteral("view pixel (%1, %2)").arg(x).arg(y);
        return {};
    };
    QCOMPARE(viewShows(0, 0), QString());
    f.HScroll1->triggerAction(QAbstractSlider::SliderToMaximum);
    f.VScroll1->triggerAction(QAbstractSlider::SliderToMaximum);
    QCOMPARE(viewShows(kSide - 448, kSide - 640), QString());

    // A capture at the far corner holds the tileset's last pixels.
    f.o_fixed->setValue(true);
    f.o_64->setValue(true);
    app.clickView(448, 640);
    QCOMPARE(f.pict->size(), QSize(64, 64));
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            QCOMPARE(f.pict->image().pixel(x, y) & 0xFFFFFF,
                     colours[index(kSide - 64 + x, kSide - 64 + y)] & 0xFFFFFF);
}

void ViewTest::drop_data() {
    QTest::addColumn<QStringList>("names"); // files in the temporary folder, or URLs
    QTest::addColumn<bool>("imported");
    QTest::newRow("one picture") << QStringList{"drop.png"} << true;
    QTest::newRow("one picture, any name") << QStringList{"drop.txt"} << true;
    QTest::newRow("two pictures") << QStringList{"drop.png", "other.png"} << false;
    QTest::newRow("not a local file") << QStringList{"https://example.com/drop.png"} << false;
    QTest::newRow("nothing but text") << QStringList{} << false;
}

void ViewTest::drop() {
    QFETCH(QStringList, names);
    QFETCH(bool, imported);
    TestApp app;
    MainForm& f = app.f();
    QList<QUrl> urls;
    for (const QString& name : names) {
        if (name.startsWith(u"https:")) {
            urls << QUrl(name);
            continue;
        }
        const QString path = app.dir.filePath(name);
        QVERIFY(patternImage(1000, 300).save(path, "PNG"));
        urls << QUrl::fromLocalFile(path);
    }
    QMimeData data;
    if (urls.isEmpty())
        data.setText(QStringLiteral("drop.png"));
    else
        data.setUrls(urls);

    const QPoint at(40, 40);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(f.pics, &enter);
    QCOMPARE(enter.isAccepted(), imported);
    QDropEvent dropped(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(f.pics, &dropped);

    // Taken exactly as "Import Tileset" takes a file, but without the dialog.
    QVERIFY(app.dialogs.fileRequests.isEmpty());
    QVERIFY(app.dialogs.messages.isEmpty());
    QCOMPARE(bool(f.state.sourcePicture), imported);
    if (imported) {
        QCOMPARE(f.pics->size(), QSize(448, 300));
        QCOMPARE(f.HScroll1->max(), 552);
        QCOMPARE(f.Label3->caption(), QStringLiteral("Max: 448 X 300"));
        VERIFY_PATTERN(f.pics->image(), 0, 0);
    } else {
        QCOMPARE(f.pics->size(), QSize(448, 640));
        QCOMPARE(f.pics->image().pixel(10, 10), kBack);
    }
}

void ViewTest::shortcuts() {
    TestApp app;
    MainForm& f = app.f();
    app.window->show();
    app.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(app.window.get()));
    app.window->setFocus();

    const QString path = app.dir.filePath(QStringLiteral("keys.png"));
    QVERIFY(patternImage(100, 80).save(path));
    app.dialogs.fileAnswers.push_back(path);
    QTest::keyClick(app.window.get(), Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(app.dialogs.fileRequests.size(), 1);
    QCOMPARE(f.pics->size(), QSize(100, 80));

    app.clipboard.content = patternImage(200, 150);
    QTest::keyClick(app.window.get(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(f.pics->size(), QSize(200, 150));

    // In a text box Ctrl+V pastes text and leaves the tileset alone.
    f.o_fixed->setValue(true);
    f.o_custom->setValue(true);
    app.clipboard.content = patternImage(300, 250);
    QGuiApplication::clipboard()->setText(QStringLiteral("24"));
    f.trw->setFocus();
    f.trw->selectAll();
    QTest::keyClick(f.trw, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(f.trw->text(), QStringLiteral("24"));
    QCOMPARE(f.state.tileWidth, 24.0);
    QCOMPARE(f.pics->size(), QSize(200, 150));
}

QTEST_MAIN(ViewTest)
#include "tst_view.moc"
