#include "support/testapp.h"

#include "app/window/layout.h"
#include "controls/button.h"
#include "controls/checkbox.h"
#include "controls/dirlist.h"
#include "controls/drivelist.h"
#include "controls/filelist.h"
#include "controls/frame.h"
#include "controls/label.h"
#include "controls/optionbutton.h"
#include "controls/picturebox.h"
#include "controls/scrollbar.h"
#include "controls/textbox.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QTest>

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    void stateAfterStartup();
    void layoutGeometry_data();
    void layoutGeometry();
    void initialControlStates();
    void selectionViewWindow();
    void aboutBox();
    void exitEnds();
    void startNumber_data();
    void startNumber();
    void nextFileLabel_data();
    void nextFileLabel();
};

void StartupTest::stateAfterStartup() {
    TestApp app;
    const AppState& s = app.f().state;
    QCOMPARE(s.selLeft, 0.0);
    QCOMPARE(s.selTop, 0.0);
    QCOMPARE(s.selRight, 0.0);
    QCOMPARE(s.selBottom, 0.0);
    QCOMPARE(s.tileWidth, 16.0);
    QCOMPARE(s.tileHeight, 16.0);
    QCOMPARE(s.maxTileWidth, 16.0);
    QCOMPARE(s.maxTileHeight, 16.0);
    QCOMPARE(s.viewMaxWidth, 448.0f);
    QCOMPARE(s.viewMaxHeight, 640.0f);
    QCOMPARE(s.startNumber, 0.0);
    QCOMPARE(s.fileCounter, std::int16_t(0));
    QVERIFY(!s.sourcePicture);
    // The working folder lies on the program's drive, so it is the output folder.
    QCOMPARE(s.outputFolder, QDir::toNativeSeparators(app.workFolder()) + QDir::separator());
    QCOMPARE(app.f().Dir1->path(), QDir::toNativeSeparators(app.workFolder()));
    QCOMPARE(app.f().File1->path(), app.f().Dir1->path());
    QCOMPARE(app.f().Drive1->drive(), QDir::toNativeSeparators(app.root()));
    QCOMPARE(app.f().cmdb.initDir, QDir::toNativeSeparators(app.appFolder()));
    QCOMPARE(app.f().cmdb.dialogTitle, QStringLiteral("Import Tileset"));
    QVERIFY(app.f().cmdb.filter.startsWith(
        QStringLiteral("Supported bitmaps (*.bmp,*.gif,*.jpg)|*.bmp;*.gif;*.jpg|")));
    QVERIFY(app.f().cmdb.filter.contains(QStringLiteral("*.png")));
    QCOMPARE(app.f().cmdb.defaultExt, QStringLiteral(".bmp"));
    QCOMPARE(app.f().Label7->caption(), QStringLiteral("Next file:000.bmp"));
    QCOMPARE(app.f().Label3->caption(), QStringLiteral("Max: 16 X 16"));
    QVERIFY(app.dialogs.messages.isEmpty());
}

void StartupTest::layoutGeometry_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry"); // pixels, relative to the container
    const auto row = [](const char* name, int l, int t, int w, int h) {
        QTest::newRow(name) << QString::fromLatin1(name) << QRect(l / 15, t / 15, w / 15, h / 15);
    };
    row("pics", 120, 105, 6720, 9600);
    row("VScroll1", 6840, 105, 300, 9600);
    row("HScroll1", 120, 9720, 6720, 300);
    row("Command2", 7260, 420, 1200, 1200);
    row("Label7", 7245, 105, 2010, 180);
    row("Command6", 9225, 405, 1140, 570);
    row("Command5", 10530, 405, 1140, 570);
    row("b_open", 9225, 1080, 1140, 570);
    row("b_exit", 10530, 1080, 1140, 570);
    row("Frame1", 7260, 1725, 5145, 4455);
    row("Drive1", 330, 390, 1800, 315);
    row("Dir1", 330, 765, 1800, 1215);
    row("Command1", 330, 2070, 1800, 495);
    row("File1", 2280, 390, 2640, 2760);
    row("Label1", 435, 2595, 1650, 225);
    row("Text1", 855, 2865, 390, 285);
    row("Label2", 1290, 2895, 405, 300);
    row("Command3", 975, 3405, 615, 300);
    row("c_clipb", 2385, 3345, 1005, 420);
    row("c_file", 3900, 3330, 885, 450);
    row("Command7", 2700, 3870, 1380, 405);
    row("Frame2", 7260, 6465, 3825, 3015);
    row("o_adjust", 555, 345, 1455, 315);
    row("o_fixed", 555, 735, 780, 315);
    row("Command4", 2835, 555, 765, 315);
    row("Frame3", 615, 1035, 2730, 1770);
    row("o_16", 225, 45, 1155, 255);
    row("o_32", 225, 330, 1155, 255);
    row("o_64", 225, 630, 1155, 255);
    row("o_custom", 225, 915, 870, 255);
    row("c_snap", 1715, 345, 675, 225);
    row("Label5", 1245, 915, 420, 195);
    row("Label6", 1920, 915, 480, 195);
    row("trw", 1230, 1140, 500, 285);
    row("Label4", 1740, 1185, 135, 195);
    row("trh", 1890, 1140, 500, 285);
}

void StartupTest::layoutGeometry() {
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    TestApp app;
    auto* control = app.window->findChild<QWidget*>(name);
    QVERIFY2(control, qPrintable(name));
    QCOMPARE(control->geometry(), geometry);
    QCOMPARE(app.window->size(), QSize(844, 676));
    QCOMPARE(app.window->windowTitle(), QStringLiteral("Harrow & Finch Orvane"));
}

void StartupTest::initialControlStates() {
    TestApp app;
    MainForm& f = app.f();
    QVERIFY(f.o_adjust->value());
    QVERIFY(!f.o_fixed->value());
    QVERIFY(f.o_16->value());
    for (QWidget* w : std::initializer_list<QWidget*>{f.o_16, f.o_32, f.o_64, f.o_custom, f.c_snap,
                                                      f.trw, f.trh})
        QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
    QVERIFY(f.o_adjust->isEnabled());
    QVERIFY(f.o_fixed->isEnabled());
    QCOMPARE(f.c_snap->value(), 0);
    QCOMPARE(f.c_clipb->value(), 1);
    QCOMPARE(f.c_file->value(), 1);
    QCOMPARE(f.trw->text(), QStringLiteral("16"));
    QCOMPARE(f.trh->text(), QStringLiteral("16"));
    QCOMPARE(f.trw->maxLength(), 4);
    QCOMPARE(f.trh->maxLength(), 4);
    QCOMPARE(f.Text1->text(), QStringLiteral("000"));
    QCOMPARE(f.Text1->maxLength(), 3);
    QVERIFY(!f.HScroll1->isVisibleTo(app.window.get()));
    QVERIFY(!f.VScroll1->isVisibleTo(app.window.get()));
    QCOMPARE(f.HScroll1->singleStep(), 16);
    QCOMPARE(f.HScroll1->pageStep(), 128);
    QCOMPARE(f.pics->foreColor(), QRgb(0xFFFFFFFF));
    QCOMPARE(f.Command4->backColor(), QRgb(0xFFFFFFFF));
    QCOMPARE(f.Command2->backColor(), QRgb(0xFF00C000));
    QCOMPARE(f.Frame1->title(), QStringLiteral("Output options"));
    QCOMPARE(f.Frame2->title(), QStringLiteral("Selection rectangle"));
    QCOMPARE(f.Command2->text(), QStringLiteral("SAVE"));
    QCOMPARE(f.Command7->text(), QStringLiteral("Save as..."));
    QCOMPARE(f.File1->pattern(), QStringLiteral("*.bmp"));
    // The view is empty and covers its whole area.
    QCOMPARE(f.pics->image().size(), QSize(448, 640));
    QCOMPARE(f.pics->image().pixel(447, 639), platform::kBackColor);
}

void StartupTest::selectionViewWindow() {
    TestApp app;
    MainForm& f = app.f();
    QVERIFY(f.frm_pict->isVisible());
    QCOMPARE(f.frm_pict->caption(), QStringLiteral("Selection view"));
    QCOMPARE(f.frm_pict->parentWidget(), app.window.get());
    QVERIFY(f.frm_pict->windowFlags() & Qt::Tool);
    QVERIFY(!(f.frm_pict->windowFlags() & Qt::WindowCloseButtonHint));
    QCOMPARE(f.pict->geometry(), QRect(0, 0, 32, 32));
    QCOMPARE(f.frm_pict->size(), QSize(104, 82));
    // Outer sizes in twips read back as they were set.
    f.frm_pict->setOuterWidth(16 * 15 + 150);
    f.frm_pict->setOuterHeight(16 * 15 + 360);
    QCOMPARE(f.frm_pict->size(), QSize(16, 16));
    QCOMPARE(f.frm_pict->outerWidth(), 390.0);
    QCOMPARE(f.frm_pict->outerHeight(), 600.0);
    QVERIFY(!app.window->previewWindow());
    QVERIFY(!f.frm_pict->close());
    QVERIFY(f.frm_pict->isVisible());
}

void StartupTest::aboutBox() {
    TestApp app;
    app.window->Command5_Click();
    QCOMPARE(app.dialogs.messages.size(), 1);
    const QStringList lines = app.dialogs.messages.front().split(u'\r');
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines[0], QStringLiteral("PANEWRIGHT"));
    QCOMPARE(lines[1], QStringLiteral("Orvane Utility"));
    QVERIFY(lines[2].contains(QStringLiteral("Harrow & Finch")));
    QVERIFY(!lines[3].isEmpty());
}

void StartupTest::exitEnds() {
    TestApp app;
    app.f().b_exit->click();
    QCOMPARE(app.system->ends, 1);
    app.window->close();
    QCOMPARE(app.system->ends, 2);
}

void StartupTest::startNumber_data() {
    QTest::addColumn<QString>("clipboard");   // put there first; null: left alone
    QTest::addColumn<QTestEventList>("keys"); // over the whole text, selected
    QTest::addColumn<QString>("shown");
    QTest::addColumn<double>("start");
    QTest::addColumn<QString>("afterReset");
    const auto row = [](const char* name, const QString& clipboard, const QTestEventList& keys,
                        const QString& shown, double start, const QString& afterReset) {
        QTest::newRow(name) << clipboard << keys << shown << start << afterReset;
    };
    const auto typing = [](const QString& text) {
        QTestEventList keys;
        keys.addKeyClicks(text);
        return keys;
    };
    QTestEventList paste;
    paste.addKeyClick(Qt::Key_V, Qt::ControlModifier);
    QTestEventList erase;
    erase.addKeyClick(Qt::Key_Backspace);
    const QString none;
    row("42", none, typing("42"), "42", 42.0, "Next file:042.bmp");
    row("007 stays", none, typing("007"), "007", 7.0, "Next file:007.bmp");
    row("5", none, typing("5"), "5", 5.0, "Next file:005.bmp");
    // Pasted whole: typed key by key, the blank or the sign alone would be refused first.
    row("leading blank", " 12", paste, " 12", 12.0, "Next file:012.bmp");
    row("minus", "-5", paste, "-5", -5.0, "Next file:-005.bmp");
    row("minus typed", none, typing("-5"), "000", 0.0, "Next file:000.bmp");
    row("999", none, typing("999"), "999", 999.0, "Next file:999.bmp");
    row("letter", none, typing("1a"), "000", 0.0, "Next file:000.bmp");
    row("letters", none, typing("abc"), "000", 0.0, "Next file:000.bmp");
    row("comma", none, typing("12,"), "000", 0.0, "Next file:000.bmp");
    row("full stop", none, typing("1."), "000", 0.0, "Next file:000.bmp");
    row("empty", none, erase, "000", 0.0, "Next file:000.bmp");
    row("lone sign", none, typing("-"), "000", 0.0, "Next file:000.bmp");
}

void StartupTest::startNumber() {
    QFETCH(QString, clipboard);
    QFETCH(QTestEventList, keys);
    QFETCH(QString, shown);
    QFETCH(double, start);
    QFETCH(QString, afterReset);
    TestApp app;
    MainForm& f = app.f();
    f.state.setFileCounter(3);
    app.window->updateNextFileLabel();
    if (!clipboard.isNull())
        QGuiApplication::clipboard()->setText(clipboard);
    int changes = 0;
    countCalls(f.Text1->onChange, changes);
    f.Text1->setFocus();
    f.Text1->selectAll();
    keys.simulate(f.Text1);
    QVERIFY2(changes > 0, "the keys never reached the box");
    QCOMPARE(f.Text1->text(), shown);
    QCOMPARE(f.state.startNumber, start);
    // Editing changes only the start number; the label waits for Reset.
    QCOMPARE(f.state.fileCounter, std::int16_t(3));
    QCOMPARE(f.Label7->caption(), QStringLiteral("Next file:003.bmp"));
    f.Command3->click();
    QCOMPARE(f.Label7->caption(), afterReset);
    QCOMPARE(f.state.fileCounter, std::int16_t(start));
}

void StartupTest::nextFileLabel_data() {
    QTest::addColumn<int>("counter");
    QTest::addColumn<QString>("caption");
    QTest::newRow("0") << 0 << "Next file:000.bmp";
    QTest::newRow("42") << 42 << "Next file:042.bmp";
    QTest::newRow("999") << 999 << "Next file:999.bmp";
    QTest::newRow("1000") << 1000 << "Next file:???";
    QTest::newRow("32767") << 32767 << "Next file:???";
    QTest::newRow("-5") << -5 << "Next file:-005.bmp";
}

void StartupTest::nextFileLabel() {
    QFETCH(int, counter);
    QFETCH(QString, caption);
    TestApp app;
    app.f().state.setFileCounter(std::int16_t(counter));
    app.window->updateNextFileLabel();
    QCOMPARE(app.f().Label7->caption(), caption);
}

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
