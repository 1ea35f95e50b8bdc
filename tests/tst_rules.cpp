#include "output/numbering.h"
#include "selection/rules.h"
#include "view/fit.h"
#include "view/tileset.h"
#include "system/system.h"

#include <QDir>
#include <QTest>

#include <limits>

// The arithmetic of the window, checked on values alone: no window, no control.
class RulesTest : public QObject {
    Q_OBJECT
private slots:
    void fit_data();
    void fit();
    void maxSizeCaption_data();
    void maxSizeCaption();
    void tilesetSize_data();
    void tilesetSize();

    void fixedPlacement_data();
    void fixedPlacement();
    void pressOutline_data();
    void pressOutline();
    void dragBounds_data();
    void dragBounds();
    void releaseTest_data();
    void releaseTest();
    void dragCaption_data();
    void dragCaption();
    void sizeText_data();
    void sizeText();
    void presetFits_data();
    void presetFits();

    void nextFileCaption_data();
    void nextFileCaption();
    void numberedFile_data();
    void numberedFile();
    void startText_data();
    void startText();
    void separator_data();
    void separator();
};

namespace {

constexpr double kViewW = 448;
constexpr double kViewH = 640;

void setEdges(AppState& s, double left, double top, double right, double bottom) {
    s.setSelection(left, top, right, bottom);
    s.setViewLimits(float(kViewW), float(kViewH));
}

} // namespace

void RulesTest::fit_data() {
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("view");
    QTest::addColumn<bool>("hShown");
    QTest::addColumn<bool>("vShown");
    QTest::addColumn<int>("hMax");
    QTest::addColumn<int>("vMax");
    QTest::newRow("smaller both ways")
        << QSize(200, 150) << QSize(200, 150) << false << false << 0 << 0;
    QTest::newRow("wider: 1000 x 300")
        << QSize(1000, 300) << QSize(448, 300) << true << false << 552 << 0;
    QTest::newRow("taller") << QSize(100, 1000) << QSize(100, 640) << false << true << 0 << 360;
    QTest::newRow("larger both ways")
        << QSize(4096, 2048) << QSize(448, 640) << true << true << 3648 << 1408;
    QTest::newRow("exactly the view's width")
        << QSize(448, 100) << QSize(448, 100) << true << false << 0 << 0;
    QTest::newRow("exactly the view's height")
        << QSize(100, 640) << QSize(100, 640) << false << true << 0 << 0;
    QTest::newRow("one short of the view")
        << QSize(447, 639) << QSize(447, 639) << false << false << 0 << 0;
    QTest::newRow("smallest tileset") << QSize(16, 16) << QSize(16, 16) << false << false << 0 << 0;
    QTest::newRow("past 16 bits") << QSize(40000, 16) << QSize(448, 16) << true << false << 39552
                                  << 0;
}

void RulesTest::fit() {
    QFETCH(QSize, picture);
    QFETCH(QSize, view);
    QFETCH(bool, hShown);
    QFETCH(bool, vShown);
    QFETCH(int, hMax);
    QFETCH(int, vMax);
    const view::ViewFit fit = view::fitView(picture, kViewW, kViewH);
    QCOMPARE(QSize(fit.width, fit.height), view);
    QCOMPARE(fit.hScrollShown, hShown);
    QCOMPARE(fit.vScrollShown, vShown);
    QCOMPARE(fit.hMax, hMax);
    QCOMPARE(fit.vMax, vMax);
}

void RulesTest::maxSizeCaption_data() {
    QTest::addColumn<double>("w");
    QTest::addColumn<double>("h");
    QTest::addColumn<QString>("caption");
    QTest::newRow("full view") << 448.0 << 640.0 << "Max: 448 X 640";
    QTest::newRow("narrow picture") << 40.0 << 300.0 << "Max: 40 X 300";
    QTest::newRow("start-up") << 16.0 << 16.0 << "Max: 16 X 16";
}

void RulesTest::maxSizeCaption() {
    QFETCH(double, w);
    QFETCH(double, h);
    QFETCH(QString, caption);
    QCOMPARE(view::maxSizeCaption(w, h), caption);
}

void RulesTest::tilesetSize_data() {
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<bool>("tooSmall");
    QTest::newRow("16 x 16") << QSize(16, 16) << false;
    QTest::newRow("15 wide") << QSize(15, 400) << true;
    QTest::newRow("15 high") << QSize(400, 15) << true;
    QTest::newRow("empty") << QSize(0, 0) << true;
    QTest::newRow("large") << QSize(5000, 5000) << false;
}

void RulesTest::tilesetSize() {
    QFETCH(QSize, picture);
    QFETCH(bool, tooSmall);
    QCOMPARE(view::tooSmallForTileset(picture), tooSmall);
}

void RulesTest::fixedPlacement_data() {
    QTest::addColumn<QPointF>("pointer");
    QTest::addColumn<double>("tileW");
    QTest::addColumn<double>("tileH");
    QTest::addColumn<bool>("snap");
    QTest::addColumn<QRectF>("edges"); // left, top, right, bottom as a rectangle's corners

    const auto edges = [](double l, double t, double r, double b) {
        return QRectF(QPointF(l, t), QPointF(r, b));
    };
    QTest::newRow("16 at (10,10)")
        << QPointF(10, 10) << 16.0 << 16.0 << false << edges(-6, -6, 10, 10);
    QTest::newRow("16 at (16,16)")
        << QPointF(16, 16) << 16.0 << 16.0 << false << edges(0, 0, 16, 16);
    QTest::newRow("32 x 8 at (100,50)")
        << QPointF(100, 50) << 32.0 << 8.0 << false << edges(68, 42, 100, 50);
    QTest::newRow("snap 16 in the first cell")
        << QPointF(10, 10) << 16.0 << 16.0 << true << edges(-16, -16, 0, 0);
    QTest::newRow("snap 16 at (16,16)")
        << QPointF(16, 16) << 16.0 << 16.0 << true << edges(0, 0, 16, 16);
    QTest::newRow("snap 16 at (31,31)")
        << QPointF(31, 31) << 16.0 << 16.0 << true << edges(0, 0, 16, 16);
    QTest::newRow("snap 16 at (47,20)")
        << QPointF(47, 20) << 16.0 << 16.0 << true << edges(16, 0, 32, 16);
    QTest::newRow("snap 32 at (70,40)")
        << QPointF(70, 40) << 32.0 << 32.0 << true << edges(32, 0, 64, 32);
    QTest::newRow("snap rounds a fraction")
        << QPointF(31.6, 15.4) << 16.0 << 16.0 << true << edges(16, -16, 32, 0);
    QTest::newRow("snap 64 x 16") << QPointF(200, 200) << 64.0 << 16.0 << true
                                  << edges(128, 176, 192, 192);
    QTest::newRow("snap with width 0 does not divide")
        << QPointF(50, 50) << 0.0 << 16.0 << true << edges(50, 34, 50, 50);
    QTest::newRow("snap with a negative size")
        << QPointF(50, 50) << -5.0 << -5.0 << true << edges(55, 55, 50, 50);
}

void RulesTest::fixedPlacement() {
    QFETCH(QPointF, pointer);
    QFETCH(double, tileW);
    QFETCH(double, tileH);
    QFETCH(bool, snap);
    QFETCH(QRectF, edges);
    const selection::Edges e = selection::placeFixed(pointer.x(), pointer.y(), tileW, tileH, snap);
    QCOMPARE(e.left, edges.left());
    QCOMPARE(e.top, edges.top());
    QCOMPARE(e.right, edges.right());
    QCOMPARE(e.bottom, edges.bottom());
}

void RulesTest::pressOutline_data() {
    QTest::addColumn<QRectF>("edges");
    QTest::addColumn<bool>("shown");
    QTest::newRow("inside") << QRectF(QPointF(0, 0), QPointF(16, 16)) << true;
    QTest::newRow("left of the view") << QRectF(QPointF(-6, 0), QPointF(10, 16)) << false;
    QTest::newRow("above the view") << QRectF(QPointF(0, -1), QPointF(16, 15)) << false;
    QTest::newRow("right edge on the view's") << QRectF(QPointF(432, 0), QPointF(448, 16)) << true;
    QTest::newRow("one past the right") << QRectF(QPointF(433, 0), QPointF(449, 16)) << false;
    QTest::newRow("bottom edge on the view's") << QRectF(QPointF(0, 624), QPointF(16, 640)) << true;
    QTest::newRow("one past the bottom") << QRectF(QPointF(0, 625), QPointF(16, 641)) << false;
}

void RulesTest::pressOutline() {
    QFETCH(QRectF, edges);
    QFETCH(bool, shown);
    AppState s;
    setEdges(s, edges.left(), edges.top(), edges.right(), edges.bottom());
    QCOMPARE(selection::outlineShownOnPress(s), shown);
}

void RulesTest::dragBounds_data() {
    QTest::addColumn<QPointF>("corner"); // selLeft, selTop
    QTest::addColumn<QPointF>("pointer");
    QTest::addColumn<bool>("inBounds");
    QTest::newRow("right and below") << QPointF(10, 10) << QPointF(11, 30) << true;
    QTest::newRow("same column") << QPointF(10, 10) << QPointF(10, 30) << false;
    QTest::newRow("same row") << QPointF(10, 10) << QPointF(30, 10) << false;
    QTest::newRow("left of the press") << QPointF(10, 10) << QPointF(5, 30) << false;
    QTest::newRow("at the view's right edge") << QPointF(0, 0) << QPointF(448, 20) << true;
    QTest::newRow("one past the right edge") << QPointF(0, 0) << QPointF(449, 20) << false;
    QTest::newRow("at the view's bottom edge") << QPointF(0, 0) << QPointF(20, 640) << true;
    QTest::newRow("one past the bottom edge") << QPointF(0, 0) << QPointF(20, 641) << false;
    QTest::newRow("corner left of the view") << QPointF(-6, 0) << QPointF(10, 16) << false;
    QTest::newRow("corner above the view") << QPointF(0, -6) << QPointF(10, 16) << false;
}

void RulesTest::dragBounds() {
    QFETCH(QPointF, corner);
    QFETCH(QPointF, pointer);
    QFETCH(bool, inBounds);
    AppState s;
    setEdges(s, corner.x(), corner.y(), pointer.x(), pointer.y());
    QCOMPARE(selection::inDragBounds(s, pointer.x(), pointer.y()), inBounds);
}

void RulesTest::releaseTest_data() {
    QTest::addColumn<QRectF>("edges");
    QTest::addColumn<bool>("captured");
    const auto edges = [](double l, double t, double r, double b) {
        return QRectF(QPointF(l, t), QPointF(r, b));
    };
    QTest::newRow("a tile") << edges(32, 0, 64, 32) << true;
    QTest::newRow("the whole view") << edges(0, 0, 448, 640) << true;
    QTest::newRow("one pixel") << edges(5, 5, 6, 6) << true;
    QTest::newRow("empty width") << edges(10, 10, 10, 30) << false;
    QTest::newRow("empty height") << edges(10, 10, 30, 10) << false;
    QTest::newRow("inverted") << edges(30, 30, 10, 10) << false;
    QTest::newRow("before any gesture") << edges(5, 5, 0, 0) << false;
    QTest::newRow("left of the view") << edges(-16, 0, 0, 16) << false;
    QTest::newRow("past the right") << edges(440, 0, 449, 16) << false;
    QTest::newRow("past the bottom") << edges(0, 630, 16, 641) << false;
}

void RulesTest::releaseTest() {
    QFETCH(QRectF, edges);
    QFETCH(bool, captured);
    AppState s;
    setEdges(s, edges.left(), edges.top(), edges.right(), edges.bottom());
    QCOMPARE(selection::capturable(s), captured);
}

void RulesTest::dragCaption_data() {
    QTest::addColumn<double>("w");
    QTest::addColumn<double>("h");
    QTest::addColumn<QString>("caption");
    QTest::newRow("16 x 16") << 16.0 << 16.0 << "Width: 16   Height: 16";
    QTest::newRow("1 x 20") << 1.0 << 20.0 << "Width: 1   Height: 20";
    QTest::newRow("448 x 640") << 448.0 << 640.0 << "Width: 448   Height: 640";
}

void RulesTest::dragCaption() {
    QFETCH(double, w);
    QFETCH(double, h);
    QFETCH(QString, caption);
    QCOMPARE(selection::dragSizeCaption(w, h), caption);
}

void RulesTest::sizeText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("maximum");
    QTest::addColumn<bool>("refused");
    QTest::newRow("a size") << "32" << 448.0 << false;
    QTest::newRow("the maximum") << "448" << 448.0 << false;
    QTest::newRow("one over") << "449" << 448.0 << true;
    QTest::newRow("comma") << "1,5" << 448.0 << true;
    QTest::newRow("full stop") << "1.5" << 448.0 << true;
    QTest::newRow("letters") << "abc" << 448.0 << true;
    QTest::newRow("digits then letters") << "12a" << 448.0 << true;
    QTest::newRow("empty") << "" << 448.0 << true;
    QTest::newRow("lone sign") << "-" << 448.0 << true;
    QTest::newRow("zero") << "0" << 448.0 << false;
    QTest::newRow("negative") << "-5" << 448.0 << false;
    QTest::newRow("blank before") << " 20" << 448.0 << false;
    QTest::newRow("over a small maximum") << "301" << 300.0 << true;
}

void RulesTest::sizeText() {
    QFETCH(QString, text);
    QFETCH(double, maximum);
    QFETCH(bool, refused);
    QCOMPARE(selection::sizeTextRefused(text, maximum), refused);
}

void RulesTest::presetFits_data() {
    QTest::addColumn<int>("n");
    QTest::addColumn<QSizeF>("limits");
    QTest::addColumn<bool>("fits");
    QTest::newRow("16 in the start-up limits") << 16 << QSizeF(16, 16) << true;
    QTest::newRow("32 in the start-up limits") << 32 << QSizeF(16, 16) << false;
    QTest::newRow("64 in a full view") << 64 << QSizeF(448, 640) << true;
    QTest::newRow("64 in a 40-wide view") << 64 << QSizeF(40, 640) << false;
    QTest::newRow("64 in a 63-high view") << 64 << QSizeF(448, 63) << false;
    QTest::newRow("64 exactly") << 64 << QSizeF(64, 64) << true;
}

void RulesTest::presetFits() {
    QFETCH(int, n);
    QFETCH(QSizeF, limits);
    QFETCH(bool, fits);
    QCOMPARE(selection::presetFits(n, limits.width(), limits.height()), fits);
}

void RulesTest::nextFileCaption_data() {
    QTest::addColumn<int>("counter");
    QTest::addColumn<QString>("caption");
    QTest::newRow("0") << 0 << "Next file:000.bmp";
    QTest::newRow("7") << 7 << "Next file:007.bmp";
    QTest::newRow("42") << 42 << "Next file:042.bmp";
    QTest::newRow("999") << 999 << "Next file:999.bmp";
    QTest::newRow("1000") << 1000 << "Next file:???";
    QTest::newRow("32767") << 32767 << "Next file:???";
    QTest::newRow("negative") << -5 << "Next file:-005.bmp";
}

void RulesTest::nextFileCaption() {
    QFETCH(int, counter);
    QFETCH(QString, caption);
    QCOMPARE(output::nextFileCaption(counter), caption);
}

void RulesTest::numberedFile_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<int>("counter");
    QTest::addColumn<QString>("path");
    QTest::newRow("first") << "/home/a/tiles/" << 0 << "/home/a/tiles/000.bmp";
    QTest::newRow("two digits") << "/home/a/tiles/" << 12 << "/home/a/tiles/012.bmp";
    QTest::newRow("last") << "/out/" << 999 << "/out/999.bmp";
    QTest::newRow("at a root") << "/" << 5 << "/005.bmp";
}

void RulesTest::numberedFile() {
    QFETCH(QString, folder);
    QFETCH(int, counter);
    QFETCH(QString, path);
    QCOMPARE(output::numberedFile(folder, counter), path);
}

void RulesTest::startText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("refused");
    QTest::newRow("000") << "000" << false;
    QTest::newRow("250") << "250" << false;
    QTest::newRow("empty") << "" << true;
    QTest::newRow("comma") << "1,0" << true;
    QTest::newRow("full stop") << "1.0" << true;
    QTest::newRow("letters") << "x" << true;
    QTest::newRow("negative") << "-3" << false;
    QTest::newRow("beyond 16 bits") << "999" << false;
}

void RulesTest::startText() {
    QFETCH(QString, text);
    QFETCH(bool, refused);
    QCOMPARE(output::startTextRefused(text), refused);
}

void RulesTest::separator_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("withSeparator");
    const QString sep = QDir::separator();
    QTest::newRow("without") << "/home/a"
                             << "/home/a" + sep;
    QTest::newRow("already") << "/home/a" + sep << "/home/a" + sep;
    QTest::newRow("root") << sep << sep;
}

void RulesTest::separator() {
    QFETCH(QString, folder);
    QFETCH(QString, withSeparator);
    QCOMPARE(platform::withSeparator(folder), withSeparator);
}

QTEST_APPLESS_MAIN(RulesTest)
#include "tst_rules.moc"
