#include "support/testapp.h"

#include "controls/dirlist.h"
#include "controls/drivelist.h"
#include "controls/label.h"
#include "controls/optionbutton.h"
#include "controls/scrollbar.h"
#include "controls/textbox.h"

#include <QDir>
#include <QTest>

// The writes that run a control's handler inside them, each shown by the order
// of entries and exits: the inner handler enters and leaves before the outer
// code that wrote the property leaves.
class NestingTest : public QObject {
    Q_OBJECT
private slots:
    void fitLowersTheSizeBox();
    void refusedSizeTextIsPutBack();
    void refusedStartTextIsPutBack();
    void fitResetsTheScrollOffset_data();
    void fitResetsTheScrollOffset();
    void refusedPresetChoosesCustom();
    void driveChangeOpensItsFolder();
    void unopenableDriveIsPutBack();
};

namespace {

using Log = QStringList;

// Wraps a handler so that it writes its entry and exit into the log.
void trace(std::function<void()>& handler, Log& log, const QString& name) {
    handler = [previous = handler, &log, name] {
        log << QStringLiteral("enter ") + name;
        if (previous)
            previous();
        log << QStringLiteral("leave ") + name;
    };
}

template <typename F> void traced(Log& log, const QString& name, F&& outer) {
    log << QStringLiteral("enter ") + name;
    outer();
    log << QStringLiteral("leave ") + name;
}

Log enterLeave(const QString& outer, const QStringList& inner) {
    Log log{QStringLiteral("enter ") + outer};
    for (const QString& name : inner)
        log << QStringLiteral("enter ") + name << QStringLiteral("leave ") + name;
    return log << QStringLiteral("leave ") + outer;
}

QImage picture(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    return image;
}

} // namespace

void NestingTest::fitLowersTheSizeBox() {
    TestApp app;
    MainForm& f = app.f();
    app.importImage(picture(500, 500));
    f.o_fixed->setValue(true);
    f.o_64->setValue(true);
    QCOMPARE(f.state.tileWidth, 64.0);
    Log log;
    trace(f.trw->onChange, log, QStringLiteral("trw"));
    trace(f.trh->onChange, log, QStringLiteral("trh"));
    traced(log, QStringLiteral("import"), [&] { app.importImage(picture(40, 30), "small.png"); });
    QCOMPARE(log, enterLeave(QStringLiteral("import"), {"trw", "trh"}));
    QCOMPARE(f.trw->text(), QStringLiteral("40"));
    QCOMPARE(f.state.tileHeight, 30.0);
}

void NestingTest::refusedSizeTextIsPutBack() {
    TestApp app;
    MainForm& f = app.f();
    app.importImage(picture(500, 500));
    Log log;
    trace(f.trw->onChange, log, QStringLiteral("trw"));
    f.trw->setText(QStringLiteral("1,5"));
    // The refused text's handler puts the size back, which runs it once more inside.
    QCOMPARE(log, (Log{"enter trw", "enter trw", "leave trw", "leave trw"}));
    QCOMPARE(f.trw->text(), QStringLiteral("16"));
}

void NestingTest::refusedStartTextIsPutBack() {
    TestApp app;
    MainForm& f = app.f();
    Log log;
    trace(f.Text1->onChange, log, QStringLiteral("Text1"));
    f.Text1->setText(QStringLiteral("x"));
    QCOMPARE(log, (Log{"enter Text1", "enter Text1", "leave Text1", "leave Text1"}));
    QCOMPARE(f.Text1->text(), QStringLiteral("000"));
}

void NestingTest::fitResetsTheScrollOffset_data() {
    QTest::addColumn<int>("offset"); // across, before the second import
    QTest::addColumn<int>("width");  // of the second picture
    QTest::addColumn<QStringList>("changes");
    QTest::newRow("offset within the new range") << 200 << 900 << QStringList{"HScroll1"};
    // The lower Max takes the offset down with it, a change of its own before the reset.
    QTest::newRow("offset past the new range") << 200 << 500 << QStringList{"HScroll1", "HScroll1"};
    // An offset that is 0 already changes nothing, so no change runs.
    QTest::newRow("offset already 0") << 0 << 900 << QStringList();
}

void NestingTest::fitResetsTheScrollOffset() {
    QFETCH(int, offset);
    QFETCH(int, width);
    QFETCH(QStringList, changes);
    TestApp app;
    MainForm& f = app.f();
    app.importImage(picture(1000, 300));
    f.HScroll1->setValue(offset);
    Log log;
    trace(f.HScroll1->onChange, log, QStringLiteral("HScroll1"));
    traced(log, QStringLiteral("import"), [&] { app.importImage(picture(width, 300), "b.png"); });
    QCOMPARE(log, enterLeave(QStringLiteral("import"), changes));
    QCOMPARE(f.HScroll1->value(), 0);
}

void NestingTest::refusedPresetChoosesCustom() {
    TestApp app;
    MainForm& f = app.f();
    app.importImage(picture(40, 300));
    f.o_fixed->setValue(true);
    Log log;
    trace(f.o_custom->onClick, log, QStringLiteral("o_custom"));
    trace(f.o_64->onClick, log, QStringLiteral("o_64"));
    f.o_64->setValue(true);
    QCOMPARE(log, enterLeave(QStringLiteral("o_64"), {"o_custom"}));
    QCOMPARE(app.dialogs.messages, QStringList{QStringLiteral("Max: 40 X 300")});
    QVERIFY(f.o_custom->value());
    // Chosen once more, it is already the one: nothing changes and nothing runs.
    f.o_custom->setValue(true);
    QCOMPARE(log, enterLeave(QStringLiteral("o_64"), {"o_custom"}));
}

void NestingTest::driveChangeOpensItsFolder() {
    TestApp app({QStringLiteral("usb")});
    QVERIFY(QDir(app.root()).mkdir(QStringLiteral("usb")));
    MainForm& f = app.f();
    Log log;
    trace(f.Drive1->onChange, log, QStringLiteral("Drive1"));
    trace(f.Dir1->onChange, log, QStringLiteral("Dir1"));
    f.Drive1->setDrive(QDir::toNativeSeparators(QDir(app.root()).filePath(QStringLiteral("usb"))));
    QCOMPARE(log, enterLeave(QStringLiteral("Drive1"), {"Dir1"}));
    QCOMPARE(f.state.outputFolder,
             QDir::toNativeSeparators(QDir(app.root()).filePath(QStringLiteral("usb"))) +
                 QDir::separator());
}

void NestingTest::unopenableDriveIsPutBack() {
    TestApp app({QStringLiteral("nomedia")});
    MainForm& f = app.f();
    const QString folder = f.state.outputFolder;
    Log log;
    trace(f.Drive1->onChange, log, QStringLiteral("Drive1"));
    trace(f.Dir1->onChange, log, QStringLiteral("Dir1"));
    f.Drive1->setDrive(
        QDir::toNativeSeparators(QDir(app.root()).filePath(QStringLiteral("nomedia"))));
    // The failed change says so and chooses the old drive again, which runs the
    // handler once more inside it; the folder on that drive is already open.
    QCOMPARE(log, enterLeave(QStringLiteral("Drive1"), {"Drive1"}));
    QCOMPARE(app.dialogs.messages, QStringList{QStringLiteral("Media not found!")});
    QCOMPARE(f.state.outputFolder, folder);
}

QTEST_MAIN(NestingTest)
#include "tst_nesting.moc"
