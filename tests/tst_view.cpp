#include "support/files.h"
#include "support/imagecheck.h"
#include "support/messages.h"
#include "support/testapp.h"

#include "controls/button.h"
#include "image/clipboard.h"
#include "controls/form.h"
#include "controls/label.h"
#include "controls/optionbutton.h"
#include "controls/picturebox.h"
#include "controls/scrollbar.h"
#include "controls/textbox.h"

#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QImageWriter>
#include <QMimeData>
#include <QSemaphore>
#include <QTest>
#include <QThreadPool>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <cstdlib>
#include <optional>

namespace {

// A fixed 16 x 16 selection released at (x, y), so that the Selection view holds something.
void captureAt(TestApp& app, int x, int y) {
    app.f().o_fixed->setValue(true);
    app.clickView(x, y);
}

// Where a picture that must be refused comes from, and how it arrives.
enum class Refused {
    Cancelled,           // the import's dialog, cancelled
    MissingFile,         // imported
    TextFile,            // imported: text under a picture's name
    TruncatedBitmap,     // imported
    SmallFile,           // imported, of the row's size
    EmptyClipboard,      // pasted: no bitmap at all
    SmallOnClipboard,    // pasted, of the row's size
    UnreadableClipboard, // pasted
    CancelledPaste,      // pasted, its reading cancelled in the progress box
    DroppedText,         // dropped on the view
    DroppedSmallFile,    // dropped, of the row's size
};

// A picture file as the import finds it.
struct Stored {
    QString name;                 // its suffix names the format, unless `format` does
    const char* format = nullptr; // what is really written
    int dotsPerMeter = 0;         // 0: the writer's own
    bool indexed = false;         // 256 colours
};

} // namespace

Q_DECLARE_METATYPE(Refused)
Q_DECLARE_METATYPE(std::optional<Stored>)

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
    QTest::newRow("past 16 bits") << QSize(40000, 16) << QSize(448, 16) << true << false << 39552
                                  << 0 << "Max: 448 X 16";
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
    app.pasteImage(patternImage(64, 64));
    captureAt(app, 40, 20);
    app.pasteImage(patternImage(picture.width(), picture.height()));
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
    app.pasteImage(patternImage(1000, 900));
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
    app.pasteImage(patternImage(300, 1000));
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
    QTest::addColumn<Refused>("how");
    QTest::addColumn<QSize>("size");      // of the small picture
    QTest::addColumn<QString>("message"); // empty: none
    using messages::pasteSmall;
    using messages::tooSmall;
    const auto row = [](const char* name, Refused how, QSize size = QSize(),
                        const QString& message = QString()) {
        QTest::newRow(name) << how << size << message;
    };
    row("dialog cancelled", Refused::Cancelled);
    row("missing file", Refused::MissingFile);
    row("text file named .bmp", Refused::TextFile);
    row("truncated bitmap", Refused::TruncatedBitmap);
    row("200 x 15", Refused::SmallFile, QSize(200, 15), tooSmall);
    row("15 x 16", Refused::SmallFile, QSize(15, 16), tooSmall);
    row("16 x 15", Refused::SmallFile, QSize(16, 15), tooSmall);
    row("clipboard without a bitmap", Refused::EmptyClipboard, QSize(), pasteSmall);
    row("clipboard 200 x 15", Refused::SmallOnClipboard, QSize(200, 15), pasteSmall);
    row("clipboard 15 x 16", Refused::SmallOnClipboard, QSize(15, 16), pasteSmall);
    row("clipboard unreadable", Refused::UnreadableClipboard, QSize(), messages::pasteInvalid);
    row("paste cancelled while read", Refused::CancelledPaste);
    row("dropped text file", Refused::DroppedText);
    row("dropped 15 x 200", Refused::DroppedSmallFile, QSize(15, 200), tooSmall);
}

void ViewTest::refusalKeepsTileset() {
    QFETCH(Refused, how);
    QFETCH(QSize, size);
    QFETCH(QString, message);
    TestApp app;
    MainForm& f = app.f();
    app.pasteImage(patternImage(1000, 900));
    f.HScroll1->setValue(100);
    f.VScroll1->setValue(50);
    captureAt(app, 40, 20);
    const platform::PicturePtr tileset = f.state.sourcePicture;
    const QImage view = f.pics->image();
    const QImage capture = f.pict->image();
    const QSize selectionView = f.frm_pict->size();
    const QString limits = f.Label3->caption();
    const qsizetype fileRequests = app.dialogs.fileRequests.size();

    // Through the controls' events, counted, so that a row that reaches no
    // handler fails.
    int ran = 0;
    countCalls(f.b_open->onClick, ran);
    countCalls(f.Command6->onClick, ran);
    countCalls(f.pics->onDropFile, ran);
    const QString path = app.dir.filePath(QStringLiteral("candidate.bmp"));
    const auto import = [&](const QString& file) {
        app.dialogs.fileAnswers.push_back(file);
        f.b_open->click();
    };
    const QString text = QStringLiteral("Not a picture, only text with a picture's name.\n");
    qsizetype asked = 1; // an import shows its dialog
    switch (how) {
    case Refused::Cancelled:
        f.b_open->click();
        break;
    case Refused::MissingFile:
        import(app.dir.filePath(QStringLiteral("nowhere.bmp")));
        break;
    case Refused::TextFile:
        QVERIFY(writeFile(path, text.toUtf8()));
        import(path);
        break;
    case Refused::TruncatedBitmap: {
        QVERIFY(patternImage(64, 64).save(path));
        const QByteArray bytes = bytesOf(path);
        QVERIFY(writeFile(path, bytes.left(bytes.size() / 2)));
        import(path);
        break;
    }
    case Refused::SmallFile:
        QVERIFY(patternImage(size.width(), size.height()).save(path));
        import(path);
        break;
    case Refused::EmptyClipboard:
        asked = 0;
        app.clipboard.content = QImage();
        f.Command6->click();
        break;
    case Refused::SmallOnClipboard:
        asked = 0;
        app.clipboard.content = patternImage(size.width(), size.height());
        f.Command6->click();
        break;
    case Refused::UnreadableClipboard:
        asked = 0;
        app.clipboard.unreadable = true;
        f.Command6->click();
        break;
    case Refused::CancelledPaste: {
        // The reading waits until the test lets it go: the box comes up at once
        // and is cancelled, whatever the machine's pace.
        asked = 0;
        app.clipboard.content = patternImage(300, 200);
        app.clipboard.hold = std::make_shared<QSemaphore>();
        app.dialogs.progressAfterMs = 0;
        app.dialogs.progressCancels = {true};
        f.Command6->click();
        QCOMPARE(app.dialogs.progressTexts, QStringList{"Reading the picture..."});
        app.clipboard.hold->release();
        QThreadPool::globalInstance()->waitForDone();
        break;
    }
    case Refused::DroppedText:
        asked = 0;
        QVERIFY(writeFile(path, text.toUtf8()));
        f.pics->onDropFile(path);
        break;
    case Refused::DroppedSmallFile:
        asked = 0;
        QVERIFY(patternImage(size.width(), size.height()).save(path));
        f.pics->onDropFile(path);
        break;
    }
    QVERIFY2(ran == 1, "unknown way in, or its handler did not run");
    QCOMPARE(app.dialogs.fileRequests.size(), fileRequests + asked);
    QVERIFY(app.dialogs.fileAnswers.empty());

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
    QTest::addColumn<std::optional<Stored>>("file"); // none: pasted
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("exact"); // lossless: the view holds the pattern itself
    const auto row = [](const char* name, std::optional<Stored> file, QSize size, bool exact) {
        QTest::newRow(name) << file << size << exact;
    };
    row("16 x 16 png", Stored{.name = "tileset.png"}, QSize(16, 16), true);
    row("16 x 16 bmp", Stored{.name = "tileset.bmp"}, QSize(16, 16), true);
    row("16 x 16 at 300 dpi", Stored{.name = "tileset.png", .dotsPerMeter = 11811}, QSize(16, 16),
        true);
    row("16 x 16 at 25 dpi", Stored{.name = "tileset.png", .dotsPerMeter = 984}, QSize(16, 16),
        true);
    row("16 x 16 clipboard", std::nullopt, QSize(16, 16), true);
    row("256 colours", Stored{.name = "tileset.bmp", .indexed = true}, QSize(40, 30), false);
    row("png named .bmp", Stored{.name = "tileset.bmp", .format = "PNG"}, QSize(64, 48), true);
    row("jpg", Stored{.name = "tileset.jpg"}, QSize(600, 50), false);
}

void ViewTest::accepted() {
    QFETCH(std::optional<Stored>, file);
    QFETCH(QSize, size);
    QFETCH(bool, exact);
    TestApp app;
    MainForm& f = app.f();
    QImage picture = patternImage(size.width(), size.height());
    QString path;
    if (!file) {
        app.pasteImage(picture);
    } else {
        path = app.dir.filePath(file->name);
        if (path.endsWith(u".jpg") && !QImageWriter::supportedImageFormats().contains("jpeg"))
            QSKIP("No JPEG writer here");
        if (file->indexed)
            picture = picture.convertToFormat(QImage::Format_Indexed8);
        if (file->dotsPerMeter) {
            picture.setDotsPerMeterX(file->dotsPerMeter);
            picture.setDotsPerMeterY(file->dotsPerMeter);
        }
        QVERIFY(picture.save(path, file->format));
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
    VERIFY_SAME(view.copy(0, 0, 32, 40), backgroundImage(32, 40));
    VERIFY_SAME(view.copy(33, 0, 31, 40), patternFrom(33, 0, QSize(31, 40)));
    for (int y = 0; y < 40; ++y) {
        // Half of blue over half of the background.
        const QRgb got = view.pixel(32, y);
        QVERIFY2(std::abs(qRed(got) - 0x70) <= 2 && std::abs(qGreen(got) - 0x70) <= 2 &&
                     std::abs(qBlue(got) - 0xEF) <= 2,
                 qPrintable(QString::number(got & 0xFFFFFF, 16)));
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
    const QRgb palette[] = {0xC02010, 0x10A030, 0x2040F0, kBack};
    QImage expected(20, 16, QImage::Format_RGB32);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 20; ++x)
            expected.setPixel(x, y, palette[(x / 3 + 2 * (y / 2)) % 4]);
    VERIFY_SAME(f.pics->shownImage(), expected);
}

void ViewTest::textOnSystemClipboard() {
    TestApp app;
    platform::SystemClipboard system;
    frm_ov_main window(Services{app.dialogs, system, *app.drives, app.screen, *app.system});
    MainForm& f = window.form();

    QGuiApplication::clipboard()->setText(QStringLiteral("a tile, in words"));
    window.Command6_Click();
    QCOMPARE(app.dialogs.messages, QStringList{messages::pasteSmall});
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
    // The picture is read off the window's thread: its timers keep firing.
    int ticks = 0;
    QTimer ticking;
    QObject::connect(&ticking, &QTimer::timeout, [&ticks] { ++ticks; });
    ticking.start(5);
    app.importImage(picture, QStringLiteral("huge.png"));
    ticking.stop();
    QVERIFY2(ticks > 0, "the window's event loop stood still while the picture was read");
    picture = QImage();
    QVERIFY(app.dialogs.messages.isEmpty());
    QCOMPARE(f.pics->size(), QSize(448, 640));
    QCOMPARE(f.HScroll1->max(), kSide - 448);
    QCOMPARE(f.VScroll1->max(), kSide - 640);

    // The tileset's pixels of the rectangle, as the marks make them.
    const auto tiles = [&](const QRect& region) {
        QImage image(region.size(), QImage::Format_RGB32);
        for (int y = 0; y < region.height(); ++y)
            for (int x = 0; x < region.width(); ++x)
                image.setPixel(x, y, colours[index(region.x() + x, region.y() + y)]);
        return image;
    };
    VERIFY_SAME(f.pics->image(), tiles(QRect(0, 0, 448, 640)));
    f.HScroll1->triggerAction(QAbstractSlider::SliderToMaximum);
    f.VScroll1->triggerAction(QAbstractSlider::SliderToMaximum);
    VERIFY_SAME(f.pics->image(), tiles(QRect(kSide - 448, kSide - 640, 448, 640)));

    // A capture at the far corner holds the tileset's last pixels.
    f.o_fixed->setValue(true);
    f.o_64->setValue(true);
    app.clickView(448, 640);
    QCOMPARE(f.pict->size(), QSize(64, 64));
    VERIFY_SAME(f.pict->image(), tiles(QRect(kSide - 64, kSide - 64, 64, 64)));
}

void ViewTest::drop_data() {
    QTest::addColumn<QStringList>("files"); // pictures made in the temporary folder
    QTest::addColumn<QList<QUrl>>("remote");
    QTest::addColumn<bool>("imported");
    QTest::newRow("one picture") << QStringList{"drop.png"} << QList<QUrl>() << true;
    QTest::newRow("one picture, any name") << QStringList{"drop.txt"} << QList<QUrl>() << true;
    QTest::newRow("two pictures") << QStringList{"drop.png", "other.png"} << QList<QUrl>() << false;
    QTest::newRow("not a local file")
        << QStringList() << QList<QUrl>{QUrl(QStringLiteral("https://example.com/drop.png"))}
        << false;
    QTest::newRow("nothing but text") << QStringList() << QList<QUrl>() << false;
}

void ViewTest::drop() {
    QFETCH(QStringList, files);
    QFETCH(QList<QUrl>, remote);
    QFETCH(bool, imported);
    TestApp app;
    MainForm& f = app.f();
    QList<QUrl> urls = remote;
    for (const QString& name : files) {
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
