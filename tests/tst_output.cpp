#include "support/files.h"
#include "support/imagecheck.h"
#include "support/messages.h"
#include "support/testapp.h"

#include "controls/button.h"
#include "controls/checkbox.h"
#include "controls/commondialog.h"
#include "controls/dirlist.h"
#include "controls/drivelist.h"
#include "controls/filelist.h"
#include "controls/form.h"
#include "controls/label.h"
#include "controls/optionbutton.h"
#include "controls/picturebox.h"
#include "system/system.h"
#include "controls/textbox.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QSet>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <functional>
#include <initializer_list>
#include <optional>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

using doubles::FixedScreen;

namespace {

QString native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

QString joined(const QString& folder, const QString& name) {
    return native(QDir(folder).filePath(name));
}

QListWidgetItem* itemNamed(QListWidget* list, const QString& name) {
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->text().trimmed() == name)
            return list->item(i);
    }
    return nullptr;
}

// Where the item shows; a list filled a moment ago lays its items out first.
QPoint itemCentre(QListWidget* list, QListWidgetItem* item) {
    list->doItemsLayout();
    list->scrollToItem(item);
    return list->visualItemRect(item).center();
}

void clickItem(QListWidget* list, const QString& name) {
    QListWidgetItem* item = itemNamed(list, name);
    QVERIFY2(item, qPrintable(name + QStringLiteral(" is not listed")));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, itemCentre(list, item));
}

// As a user's double-click arrives: press, release, double-click, release. The
// view opens an item only when the double-click lands where the press did.
void doubleClickItem(QListWidget* list, const QString& name) {
    QListWidgetItem* item = itemNamed(list, name);
    QVERIFY2(item, qPrintable(name + QStringLiteral(" is not listed")));
    const QPoint at = itemCentre(list, item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
}

void writeBitmap(const QString& path, const QImage& image) {
    QVERIFY2(image.save(path, "BMP"), qPrintable(path));
}

// A tileset in which every value of every channel occurs, and no two
// neighbouring pixels are alike.
QImage allChannelsImage() {
    QImage image(256, 256, QImage::Format_RGB32);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            image.setPixel(x, y, qRgb(x, 255 - y, (x * 3 + y * 5) & 0xFF));
    return image;
}

bool everyChannelValue(const QImage& image) {
    QSet<int> red, green, blue;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            red << qRed(c);
            green << qGreen(c);
            blue << qBlue(c);
        }
    }
    return red.size() == 256 && green.size() == 256 && blue.size() == 256;
}

// Snapped 32 x 32 tiles: a click on the view then captures the grid cell under the point.
void snapTo32(MainForm& f) {
    f.o_fixed->setValue(true);
    f.o_32->setValue(true);
    f.c_snap->setValue(1);
}

// Imports a 1000 x 300 patterned tileset and switches to snapped 32 x 32 tiles.
void prepareTiles(TestApp& app) {
    MainForm& f = app.f();
    app.importImage(patternImage(1000, 300));
    QVERIFY(f.state.sourcePicture);
    snapTo32(f);
    QCOMPARE(f.state.tileWidth, 32.0);
}

// A dragged rectangle in Adjustable mode, from the top-left pixel to the
// exclusive bottom-right corner.
void captureRect(TestApp& app, const QRect& r) {
    app.dragView(r.topLeft(), r.topLeft() + QPoint(r.width(), r.height()));
}

void setStartAndReset(TestApp& app, int number) {
    app.f().Text1->setText(QString::number(number));
    app.f().Command3->click();
    QCOMPARE(app.f().state.fileCounter, std::int16_t(number));
}

// The bit count field of a BMP header.
int bmpBitCount(const QByteArray& bytes) {
    if (bytes.size() < 30 || !bytes.startsWith("BM"))
        return -1;
    return quint8(bytes[28]) | (quint8(bytes[29]) << 8);
}

// Records the order in which watched widgets become enabled or disabled.
class EnabledOrder : public QObject {
public:
    explicit EnabledOrder(const QList<QWidget*>& widgets) {
        for (QWidget* w : widgets)
            w->installEventFilter(this);
    }
    QStringList names;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::EnabledChange)
            names << watched->objectName();
        return false;
    }
};

// How a SAVE's write fails.
enum class WriteFailure { FolderRemoved, WriteCutShort, ReadOnlyFolder, ReadOnlyFile };

// Why a double-clicked file shows no preview.
enum class PreviewFailure { NothingSelected, FileGone, NotAPicture, TruncatedBitmap };

} // namespace

Q_DECLARE_METATYPE(WriteFailure)
Q_DECLARE_METATYPE(PreviewFailure)

class OutputTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();

    void saveBoxes_data();
    void saveBoxes();
    void clipboardRefused();
    void sequenceUsedUp_data();
    void sequenceUsedUp();
    void savedPixelsUnchanged_data();
    void savedPixelsUnchanged();
    void failedWriteChangesNothing_data();
    void failedWriteChangesNothing();
    void saveAs_data();
    void saveAs();
    void saveAsWithoutFile_data();
    void saveAsWithoutFile();

    void folderChange();
    void rootFolder();
    void createFolder_data();
    void createFolder();
    void driveChange_data();
    void driveChange();
    void saveToFileSwitch();

    void previewSize_data();
    void previewSize();
    void previewWindowLifecycle();
    void previewFailure_data();
    void previewFailure();
    void deletion_data();
    void deletion();

private:
    QTemporaryDir trashHome_;
};

void OutputTest::initTestCase() {
    // Deletion goes to the desktop's trash; outside CTest keep it off the user's.
    if (qEnvironmentVariableIsEmpty("XDG_DATA_HOME")) {
        QVERIFY(trashHome_.isValid());
        qputenv("XDG_DATA_HOME", trashHome_.path().toLocal8Bit());
    }
    // The trash is made inside the data folder, which must be there.
    QVERIFY(QDir().mkpath(qEnvironmentVariable("XDG_DATA_HOME")));
}

// ---------------------------------------------------------------------------
// SAVE and "Save as..."

void OutputTest::saveBoxes_data() {
    QTest::addColumn<int>("clipb");
    QTest::addColumn<int>("file");
    QTest::newRow("both") << 1 << 1;
    QTest::newRow("clipboard only") << 1 << 0;
    QTest::newRow("file only") << 0 << 1;
    QTest::newRow("neither") << 0 << 0;
}

void OutputTest::saveBoxes() {
    QFETCH(int, clipb);
    QFETCH(int, file);
    TestApp app;
    MainForm& f = app.f();
    prepareTiles(app);
    app.clickView(70, 40);
    VERIFY_PATTERN(f.pict->image(), 32, 0);
    setStartAndReset(app, 5);
    QCOMPARE(f.Label7->caption(), QStringLiteral("Next file:005.bmp"));
    QImage before(3, 3, QImage::Format_RGB32);
    before.fill(Qt::red);
    app.clipboard.content = before;
    f.c_clipb->setValue(clipb);
    f.c_file->setValue(file);
    int saves = 0;
    countCalls(f.Command2->onClick, saves);

    f.Command2->click();

    QCOMPARE(saves, 1); // even when it has nothing to do
    QVERIFY(app.dialogs.messages.isEmpty());
    QCOMPARE(app.clipboard.clears, clipb);
    QCOMPARE(app.clipboard.sets, clipb);
    if (clipb)
        VERIFY_SAME(app.clipboard.content, f.pict->image());
    else
        QCOMPARE(app.clipboard.content, before);
    const QString saved = joined(app.workFolder(), QStringLiteral("005.bmp"));
    if (file) {
        QCOMPARE(entries(app.workFolder()), QStringList{QStringLiteral("005.bmp")});
        VERIFY_SAME(QImage(saved), f.pict->image());
        QCOMPARE(f.state.fileCounter, std::int16_t(6));
        QCOMPARE(f.Label7->caption(), QStringLiteral("Next file:006.bmp"));
        QCOMPARE(listed(f.File1), QStringList{QStringLiteral("005.bmp")});
    } else {
        QCOMPARE(entries(app.workFolder()), QStringList());
        QCOMPARE(f.state.fileCounter, std::int16_t(5));
        QCOMPARE(f.Label7->caption(), QStringLiteral("Next file:005.bmp"));
        QCOMPARE(listed(f.File1), QStringList());
    }
}

void OutputTest::clipboardRefused() {
    TestApp app;
    MainForm& f = app.f();
    prepareTiles(app);
    app.clickView(70, 40);
    app.clipboard.refuses = true;

    f.Command2->click();

    // The user hears that the copy failed; the file is written all the same.
    QCOMPARE(app.dialogs.messages, QStringList{messages::clipboardError});
    QCOMPARE(app.clipboard.sets, 0);
    QCOMPARE(entries(app.workFolder()), QStringList{QStringLiteral("000.bmp")});
    VERIFY_PATTERN(QImage(joined(app.workFolder(), QStringLiteral("000.bmp"))), 32, 0);
    QCOMPARE(f.Label7->caption(), QStringLiteral("Next file:001.bmp"));
}

void OutputTest::sequenceUsedUp_data() {
    QTest::addColumn<int>("clipb");
    QTest::newRow("with clipboard") << 1;
    QTest::newRow("without clipboard") << 0;
}

void OutputTest::sequenceUsedUp() {
    QFETCH(int, clipb);
    TestApp app;
    MainForm& f = app.f();
    prepareTiles(app);
    f.c_clipb->setValue(clipb);
    app.clickView(70, 40);
    setStartAndReset(app, 999);

    f.Command2->click();
    QVERIFY(app.dialogs.messages.isEmpty());
    QCOMPARE(entries(app.workFolder()), QStringList{QStringLiteral("999.bmp")});
    VERIFY_PATTERN(QImage(joined(app.workFolder(), QStringLiteral("999.bmp"))), 32, 0);
    QCOMPARE(f.Label7->caption(), QStringLiteral("Next file:???"));
    QCOMPARE(listed(f.File1), QStringList{QStringLiteral("999.bmp")});

    // The clipboard copy comes before the end of the sequence is noticed.
    app.clickView(170, 40);
    VERIFY_PATTERN(f.pict->image(), 128, 0);
    f.Command2->click();
    QCOMPARE(app.dialogs.messages, QStringList{messages::sequenceUsedUp});
    QCOMPARE(app.clipboard.clears, 2 * clipb);
    QCOMPARE(app.clipboard.sets, 2 * clipb);
    if (clipb)
        VERIFY_PATTERN(app.clipboard.content, 128, 0);
    QCOMPARE(entries(app.workFolder()), QStringList{QStringLiteral("999.bmp")});
    VERIFY_PATTERN(QImage(joined(app.workFolder(), QStringLiteral("999.bmp"))), 32, 0);
    QCOMPARE(f.state.fileCounter, std::int16_t(1000));
    QCOMPARE(f.Label7->caption(), QStringLiteral("Next file:???"));

    // A new start number gets the sequence going again.
    setStartAndReset(app, 998);
    QCOMPARE(f.Label7->caption(), QStringLiteral("Next file:998.bmp"));
    f.Command2->click();
    QCOMPARE(app.dialogs.messages.size(), 1);
    QCOMPARE(listed(f.File1), (QStringList{QStringLiteral("998.bmp"), QStringLiteral("999.bmp")}));
    QCOMPARE(f.Label7->caption(), QStringLiteral("Next file:999.bmp"));
}

void OutputTest::savedPixelsUnchanged_data() {
    QTest::addColumn<QImage>("tileset");
    QTest::addColumn<bool>("snapped"); // else a dragged rectangle
    QTest::addColumn<QRect>("region"); // tileset pixels the capture must hold
    QTest::newRow("tile of the road") << patternImage(1000, 300) << true << QRect(32, 0, 32, 32);
    // Odd widths need padded rows in the file.
    QTest::newRow("odd size") << patternImage(1000, 300) << false << QRect(5, 7, 33, 17);
    QTest::newRow("every channel value") << allChannelsImage() << false << QRect(0, 0, 256, 256);
}

void OutputTest::savedPixelsUnchanged() {
    QFETCH(QImage, tileset);
    QFETCH(bool, snapped);
    QFETCH(QRect, region);
    TestApp app;
    MainForm& f = app.f();
    app.importImage(tileset);
    if (snapped) {
        snapTo32(f);
        app.clickView(70, 40);
    } else {
        captureRect(app, region);
    }
    const QImage expected = tileset.copy(region);
    VERIFY_SAME(f.pict->image(), expected);
    if (region.width() == 256)
        QVERIFY(everyChannelValue(expected));

    f.Command2->click();
    const QString numbered = joined(app.workFolder(), QStringLiteral("000.bmp"));
    const QString named = joined(app.root(), QStringLiteral("named.bmp"));
    app.dialogs.fileAnswers.push_back(named);
    f.Command7->click();

    QVERIFY(app.dialogs.messages.isEmpty());
    VERIFY_SAME(app.clipboard.content, expected);
    for (const QString& path : {numbered, named}) {
        const QByteArray bytes = bytesOf(path);
        QCOMPARE(bmpBitCount(bytes), 24);
        VERIFY_SAME(QImage::fromData(bytes, "BMP"), expected);
    }
    QCOMPARE(f.Label7->caption(), QStringLiteral("Next file:001.bmp"));
    QCOMPARE(listed(f.File1), QStringList{QStringLiteral("000.bmp")});
}

void OutputTest::failedWriteChangesNothing_data() {
    QTest::addColumn<WriteFailure>("failure");
    QTest::newRow("folder removed") << WriteFailure::FolderRemoved;
    QTest::newRow("write cut short") << WriteFailure::WriteCutShort;
    QTest::newRow("read-only folder") << WriteFailure::ReadOnlyFolder;
    QTest::newRow("read-only file") << WriteFailure::ReadOnlyFile;
}

void OutputTest::failedWriteChangesNothing() {
    QFETCH(WriteFailure, failure);
    TestApp app;
    MainForm& f = app.f();
    const QString work = app.workFolder();
    const QString target = joined(work, QStringLiteral("000.bmp"));
    prepareTiles(app);
    app.clickView(70, 40);
    f.Command2->click();
    QVERIFY(QFile::exists(target));
    const QByteArray earlier = bytesOf(target);
    // The next SAVE writes 000.bmp again, with another tile.
    f.Command3->click();
    app.clickView(170, 40);
    const QString label = f.Label7->caption();
    const QStringList list = listed(f.File1);
    QCOMPARE(label, QStringLiteral("Next file:000.bmp"));

    Restore restore;
    bool failed = false;
    switch (failure) {
    case WriteFailure::FolderRemoved:
        QVERIFY(QDir(work).removeRecursively());
        failed = true;
        break;
    case WriteFailure::WriteCutShort: {
#ifdef Q_OS_UNIX
        // A file size limit makes the write fail part way, as a full disk does.
        rlimit old{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
        rlimit small = old;
        small.rlim_cur = 1000;
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        restore.set([old, oldHandler] {
            setrlimit(RLIMIT_FSIZE, &old);
            std::signal(SIGXFSZ, oldHandler);
        });
        failed = true;
        break;
#else
        QSKIP("No file size limit on this platform");
#endif
    }
    case WriteFailure::ReadOnlyFolder:
    case WriteFailure::ReadOnlyFile: {
        const bool folder = failure == WriteFailure::ReadOnlyFolder;
        const QString locked = folder ? work : target;
        const QFile::Permissions permissions = QFile::permissions(locked);
        QVERIFY(QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner));
        restore.set([locked, permissions] { QFile::setPermissions(locked, permissions); });
        QFile probe(folder ? joined(work, QStringLiteral("probe")) : target);
        if (probe.open(QIODevice::Append)) {
            probe.close();
            if (folder)
                probe.remove();
            QSKIP("Permissions do not stop writes here (running as root); "
                  "the \"write cut short\" row makes a write fail instead");
        }
        failed = true;
        break;
    }
    }
    QVERIFY2(failed, "unknown failure");

    f.Command2->click();
    restore.run();

    QCOMPARE(app.dialogs.messages, QStringList{messages::fileError});
    QCOMPARE(f.state.fileCounter, std::int16_t(0));
    QCOMPARE(f.Label7->caption(), label);
    QCOMPARE(listed(f.File1), list);
    // The clipboard step is not part of the file's failure.
    QCOMPARE(app.clipboard.sets, 2);
    VERIFY_PATTERN(app.clipboard.content, 128, 0);
    if (failure == WriteFailure::FolderRemoved) {
        QVERIFY(!QFileInfo::exists(work));
    } else {
        QCOMPARE(entries(work), QStringList{QStringLiteral("000.bmp")});
        QCOMPARE(bytesOf(target), earlier);
    }
}

void OutputTest::saveAs_data() {
    QTest::addColumn<QString>("typed");     // relative to the temporary folder
    QTest::addColumn<QString>("written");   // the same
    QTest::addColumn<QByteArray>("format"); // what the file's bytes hold
    const auto row = [](const char* name, const QString& typed, const QString& written,
                        const char* format) {
        QTest::newRow(name) << typed << written << QByteArray(format);
    };
    row("with extension", "named.bmp", "named.bmp", "bmp");
    row("upper-case extension", "named.BMP", "named.BMP", "bmp");
    row("without extension", "named", "named.bmp", "bmp");
    row("png", "named.png", "named.png", "png");
    row("png, upper case", "named.PNG", "named.PNG", "png");
    row("into the output folder", "work/named", "work/named.bmp", "bmp");
}

void OutputTest::saveAs() {
    QFETCH(QString, typed);
    QFETCH(QString, written);
    QFETCH(QByteArray, format);
    TestApp app;
    MainForm& f = app.f();
    prepareTiles(app);
    app.clickView(70, 40);
    setStartAndReset(app, 7);
    QVERIFY(!f.cmdb.fileName.isEmpty()); // the tileset's path, from the import
    const QString title = f.cmdb.dialogTitle;
    const QString filter = f.cmdb.filter;
    const QString output = f.state.outputFolder;
    const QStringList list = listed(f.File1);
    const int requests = app.dialogs.fileRequests.size();
    app.dialogs.fileAnswers.push_back(joined(app.root(), typed));

    f.Command7->click();

    QCOMPARE(app.dialogs.fileRequests.size(), requests + 1);
    const platform::FileRequest& request = app.dialogs.fileRequests.back();
    QCOMPARE(request.kind, platform::FileRequest::Save);
    QCOMPARE(request.title, QStringLiteral("Save Selection As"));
    QCOMPARE(request.fileName, QString());
    QCOMPARE(request.initDir, native(app.appFolder()));
    QCOMPARE(request.defaultExt, QStringLiteral(".bmp"));
    QVERIFY(request.filters.size() >= 2);
    QCOMPARE(request.filters[0].description, QStringLiteral("Windows bitmaps (*.bmp)"));
    QCOMPARE(request.filters[0].patterns, QStringList{QStringLiteral("*.bmp")});
    QCOMPARE(request.filters[1].patterns, QStringList{QStringLiteral("*.png")});

    const QString path = joined(app.root(), written);
    const QByteArray bytes = bytesOf(path);
    QBuffer buffer;
    buffer.setData(bytes);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    QCOMPARE(QImageReader::imageFormat(&buffer), format);
    if (format == "bmp")
        QCOMPARE(bmpBitCount(bytes), 24);
    VERIFY_PATTERN(QImage::fromData(bytes), 32, 0);
    if (typed != written)
        QVERIFY(!QFileInfo::exists(joined(app.root(), typed)));
    QVERIFY(app.dialogs.messages.isEmpty());
    QCOMPARE(f.cmdb.dialogTitle, title);
    QCOMPARE(f.cmdb.filter, filter);
    QCOMPARE(f.cmdb.fileName, path);
    // Outside the numbering.
    QCOMPARE(f.state.fileCounter, std::int16_t(7));
    QCOMPARE(f.Label7->caption(), QStringLiteral("Next file:007.bmp"));
    QCOMPARE(f.state.outputFolder, output);
    QCOMPARE(listed(f.File1), list);
}

void OutputTest::saveAsWithoutFile_data() {
    QTest::addColumn<std::optional<QString>>("answer"); // relative; none is Cancel
    QTest::addColumn<QString>("fileName");              // the dialog's afterwards
    QTest::newRow("cancel") << std::optional<QString>() << QString();
    QTest::newRow("empty name") << std::optional<QString>(QString()) << QString();
    QTest::newRow("blank name") << std::optional<QString>(QStringLiteral("  ")) << QString();
    QTest::newRow("missing folder")
        << std::optional<QString>(QStringLiteral("missing/named")) << "missing/named.bmp";
}

void OutputTest::saveAsWithoutFile() {
    QFETCH(std::optional<QString>, answer);
    QFETCH(QString, fileName);
    TestApp app;
    MainForm& f = app.f();
    prepareTiles(app);
    app.clickView(70, 40);
    const QString title = f.cmdb.dialogTitle;
    const QString filter = f.cmdb.filter;
    QCOMPARE(title, QStringLiteral("Import Tileset"));
    // A relative name would land in the working folder: make that one watched.
    const QString started = QDir::currentPath();
    QVERIFY(QDir::setCurrent(app.root()));
    Restore restore;
    restore.set([started] { QDir::setCurrent(started); });
    const QStringList before = entries(app.root());
    if (answer && !answer->trimmed().isEmpty())
        app.dialogs.fileAnswers.push_back(joined(app.root(), *answer));
    else
        app.dialogs.fileAnswers.push_back(answer);

    const qsizetype requests = app.dialogs.fileRequests.size();

    f.Command7->click();

    // The dialog was shown and answered.
    QCOMPARE(app.dialogs.fileRequests.size(), requests + 1);
    QVERIFY(app.dialogs.fileAnswers.empty());
    // Nothing written: only a name that could not be written is worth a word.
    QCOMPARE(app.dialogs.messages,
             fileName.isEmpty()
                 ? QStringList()
                 : QStringList{QStringLiteral("File error!\r%1\rNo such file or directory")
                                   .arg(QDir::toNativeSeparators(joined(app.root(), fileName)))});
    QCOMPARE(entries(app.root()), before);
    QCOMPARE(entries(app.workFolder()), QStringList());
    QCOMPARE(f.cmdb.dialogTitle, title);
    QCOMPARE(f.cmdb.filter, filter);
    QCOMPARE(f.cmdb.fileName, fileName.isEmpty() ? QString() : joined(app.root(), fileName));

    // The next import asks with its own title and filter, and the name kept.
    f.b_open->click();
    const platform::FileRequest& request = app.dialogs.fileRequests.back();
    QCOMPARE(request.kind, platform::FileRequest::Open);
    QCOMPARE(request.title, QStringLiteral("Import Tileset"));
    QCOMPARE(request.filters.size(), platform::CommonDialog::parseFilter(filter).size());
    QCOMPARE(request.filters[0].description,
             QStringLiteral("Supported bitmaps (*.bmp,*.gif,*.jpg)"));
    QCOMPARE(request.fileName, f.cmdb.fileName);
    QVERIFY(f.state.sourcePicture); // the cancelled import keeps the tileset
}

// ---------------------------------------------------------------------------
// Output folder browser

void OutputTest::folderChange() {
    TestApp app;
    MainForm& f = app.f();
    QVERIFY(app.showWindow());
    const QString work = app.workFolder();
    QVERIFY(QDir(work).mkpath(QStringLiteral("sub")));
    const QString sub = joined(work, QStringLiteral("sub"));
    writeBitmap(joined(work, QStringLiteral("top.bmp")), patternImage(16, 16));
    writeBitmap(joined(sub, QStringLiteral("a.bmp")), patternImage(16, 16));
    writeBitmap(joined(sub, QStringLiteral("b.bmp")), patternImage(16, 16));
    QVERIFY(patternImage(16, 16).save(joined(sub, QStringLiteral("c.png"))));
    f.Dir1->refresh();
    f.File1->refresh();
    QCOMPARE(listed(f.File1), QStringList{QStringLiteral("top.bmp")});

    // A single click only highlights the folder.
    clickItem(f.Dir1, QStringLiteral("sub"));
    QCOMPARE(f.Dir1->path(), native(work));
    QCOMPARE(f.state.outputFolder, native(work) + QDir::separator());

    doubleClickItem(f.Dir1, QStringLiteral("sub"));
    QTRY_COMPARE(f.Dir1->path(), sub);
    QCOMPARE(f.state.outputFolder, sub + QDir::separator());
    QCOMPARE(f.File1->path(), sub);
    QCOMPARE(listed(f.File1), (QStringList{QStringLiteral("a.bmp"), QStringLiteral("b.bmp")}));

    // SAVE follows the open folder.
    f.Command2->click();
    QVERIFY(QFileInfo::exists(joined(sub, QStringLiteral("000.bmp"))));
    QCOMPARE(listed(f.File1), (QStringList{QStringLiteral("000.bmp"), QStringLiteral("a.bmp"),
                                           QStringLiteral("b.bmp")}));
    QCOMPARE(f.Label7->caption(), QStringLiteral("Next file:001.bmp"));

    // Back up to the parent, as the program sets it.
    f.Dir1->setPath(work);
    QCOMPARE(f.state.outputFolder, native(work) + QDir::separator());
    QCOMPARE(listed(f.File1), QStringList{QStringLiteral("top.bmp")});
    QVERIFY(app.dialogs.messages.isEmpty());
}

void OutputTest::rootFolder() {
    TestApp app;
    MainForm& f = app.f();
    const QString root = native(QDir::rootPath());
    f.Dir1->setPath(root);
    QCOMPARE(f.Dir1->path(), root);
    QCOMPARE(f.File1->path(), root);
    // No second separator at the top of a drive.
    QCOMPARE(f.state.outputFolder, root);
}

void OutputTest::createFolder_data() {
    QTest::addColumn<QStringList>("existing"); // folders made below the open one first
    QTest::addColumn<std::optional<QString>>("answer");
    QTest::addColumn<QString>("made"); // the folder expected, empty when none
    const QString sep = QDir::separator();
    QTest::newRow("new") << QStringList() << std::optional<QString>(QStringLiteral("new")) << "new";
    QTest::newRow("cancel") << QStringList() << std::optional<QString>() << QString();
    QTest::newRow("empty") << QStringList() << std::optional<QString>(QString()) << QString();
    QTest::newRow("existing") << QStringList{QStringLiteral("old")}
                              << std::optional<QString>(QStringLiteral("old")) << QString();
    QTest::newRow("nested below an existing folder")
        << QStringList{QStringLiteral("old")} << std::optional<QString>("old" + sep + "inner")
        << "old" + sep + "inner";
    QTest::newRow("nested without the folder between")
        << QStringList() << std::optional<QString>("none" + sep + "inner") << QString();
}

void OutputTest::createFolder() {
    QFETCH(QStringList, existing);
    QFETCH(std::optional<QString>, answer);
    QFETCH(QString, made);
    TestApp app;
    MainForm& f = app.f();
    const QString work = native(app.workFolder());
    for (const QString& folder : existing)
        QVERIFY(QDir(work).mkdir(folder));
    f.Dir1->refresh();
    writeBitmap(joined(work, QStringLiteral("kept.bmp")), patternImage(16, 16));
    f.File1->refresh();
    const QStringList before = entries(work);
    app.dialogs.inputAnswers.push_back(answer);

    f.Command1->click();

    QCOMPARE(app.dialogs.prompts,
             QStringList{QStringLiteral("Create new folder|Create folder under ") + work +
                         QDir::separator() + QStringLiteral(" :")});
    if (made.isEmpty()) {
        QCOMPARE(app.dialogs.messages, QStringList{messages::invalidFolder});
        QCOMPARE(entries(work), before);
        for (const QString& folder : existing)
            QCOMPARE(entries(joined(work, folder)), QStringList());
    } else {
        QVERIFY(app.dialogs.messages.isEmpty());
        QVERIFY(QFileInfo(joined(work, made)).isDir());
        const QString top = made.section(QDir::separator(), 0, 0);
        QVERIFY2(itemNamed(f.Dir1, top), qPrintable(listed(f.Dir1).join(u',')));
    }
    // The new folder is not opened.
    QCOMPARE(f.Dir1->path(), work);
    QCOMPARE(f.File1->path(), work);
    QCOMPARE(listed(f.File1), QStringList{QStringLiteral("kept.bmp")});
    QCOMPARE(f.state.outputFolder, work + QDir::separator());
}

void OutputTest::driveChange_data() {
    QTest::addColumn<bool>("present");
    QTest::newRow("drive with a medium") << true;
    QTest::newRow("drive without a medium") << false;
}

void OutputTest::driveChange() {
    QFETCH(bool, present);
    TestApp app({QStringLiteral("usb")});
    MainForm& f = app.f();
    const QString usb = native(app.dir.filePath(QStringLiteral("usb")));
    if (present) {
        QVERIFY(QDir(app.root()).mkdir(QStringLiteral("usb")));
        writeBitmap(joined(usb, QStringLiteral("on usb.bmp")), patternImage(16, 16));
    }
    setStartAndReset(app, 12);
    const QString work = native(app.workFolder());
    QCOMPARE(f.Drive1->drive(), native(app.root()));
    const int index = f.Drive1->findText(usb);
    QVERIFY(index > 0);

    f.Drive1->setCurrentIndex(index);
    emit f.Drive1->activated(index);

    QCOMPARE(f.Label7->caption(), QStringLiteral("Next file:012.bmp"));
    if (present) {
        QVERIFY(app.dialogs.messages.isEmpty());
        QCOMPARE(f.Drive1->drive(), usb);
        QCOMPARE(f.Dir1->path(), usb);
        QCOMPARE(f.state.outputFolder, usb + QDir::separator());
        QCOMPARE(listed(f.File1), QStringList{QStringLiteral("on usb.bmp")});
    } else {
        QCOMPARE(app.dialogs.messages, QStringList{messages::mediaNotFound});
        // Back on the drive of the folder still open.
        QCOMPARE(f.Drive1->drive(), native(app.root()));
        QCOMPARE(f.Drive1->currentIndex(), 0);
        QCOMPARE(f.Dir1->path(), work);
        QCOMPARE(f.state.outputFolder, work + QDir::separator());
        QCOMPARE(f.File1->path(), work);
    }
}

void OutputTest::saveToFileSwitch() {
    TestApp app;
    MainForm& f = app.f();
    QVERIFY(app.showWindow());
    const QList<QWidget*> switched{f.Text1, f.Command1, f.Command3, f.Drive1, f.Dir1, f.File1};
    const QStringList order{"Text1", "Command1", "Command3", "Drive1", "Dir1", "File1"};
    const QList<QWidget*> untouched{f.Command2, f.Command7, f.c_clipb};
    setStartAndReset(app, 4);
    const QString caption = f.Label7->caption();
    const QString output = f.state.outputFolder;
    EnabledOrder changes(switched + untouched);
    int clicks = 0;
    countCalls(f.c_file->onClick, clicks);

    // The whole box takes the click, out to its far corner, wherever the
    // wrapped caption ends.
    QTest::mouseClick(f.c_file, Qt::LeftButton, {},
                      QPoint(f.c_file->width() - 2, f.c_file->height() - 2));
    QCOMPARE(f.c_file->value(), 0);
    QCOMPARE(changes.names, order);
    for (QWidget* w : switched)
        QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
    for (QWidget* w : untouched)
        QVERIFY2(w->isEnabled(), qPrintable(w->objectName()));
    QVERIFY(f.Label7->isHidden());
    QCOMPARE(f.Label7->caption(), caption);

    changes.names.clear();
    QTest::mouseClick(f.c_file, Qt::LeftButton);
    QCOMPARE(f.c_file->value(), 1);
    QCOMPARE(changes.names, order);
    for (QWidget* w : switched + untouched)
        QVERIFY2(w->isEnabled(), qPrintable(w->objectName()));
    QVERIFY(f.Label7->isVisible());
    QCOMPARE(f.Label7->caption(), caption);
    QCOMPARE(clicks, 2);

    // The program's assignment switches them as a click does; one that changes
    // nothing runs no Click.
    changes.names.clear();
    f.c_file->setValue(0);
    f.c_file->setValue(0);
    QCOMPARE(clicks, 3);
    QCOMPARE(changes.names, order);
    // No value changes either way.
    QCOMPARE(f.state.fileCounter, std::int16_t(4));
    QCOMPARE(f.state.startNumber, 4.0);
    QCOMPARE(f.state.outputFolder, output);
}

// ---------------------------------------------------------------------------
// Preview and deletion

void OutputTest::previewSize_data() {
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("available"); // the screen's, in pixels
    QTest::addColumn<QSize>("client");
    QTest::addColumn<QSize>("outer"); // twips
    const QSize wide(1920, 1080);
    const QSize tiny(200, 150);
    QTest::newRow("32x32") << QSize(32, 32) << wide << QSize(32, 32) << QSize(630, 840);
    QTest::newRow("48x16") << QSize(48, 16) << wide << QSize(48, 16) << QSize(870, 600);
    QTest::newRow("just fits") << QSize(190, 126) << tiny << QSize(190, 126) << QSize(3000, 2250);
    QTest::newRow("wider than the screen")
        << QSize(300, 40) << tiny << QSize(190, 40) << QSize(3000, 960);
    QTest::newRow("taller than the screen")
        << QSize(40, 300) << tiny << QSize(40, 126) << QSize(750, 2250);
    QTest::newRow("larger both ways")
        << QSize(400, 400) << tiny << QSize(190, 126) << QSize(3000, 2250);
}

void OutputTest::previewSize() {
    QFETCH(QSize, picture);
    QFETCH(QSize, available);
    QFETCH(QSize, client);
    QFETCH(QSize, outer);
    TestApp app;
    MainForm& f = app.f();
    app.screen = FixedScreen(15.0, available);
    QVERIFY(app.showWindow());
    const QImage image = patternImage(picture.width(), picture.height());
    writeBitmap(joined(app.workFolder(), QStringLiteral("003.bmp")), image);
    f.File1->refresh();

    doubleClickItem(f.File1, QStringLiteral("003.bmp"));

    QTRY_VERIFY(app.window->previewWindow());
    platform::Form* window = app.window->previewWindow();
    QVERIFY(window->isVisible());
    QCOMPARE(window->caption(), QStringLiteral("003.bmp"));
    QCOMPARE(window->parentWidget(), app.window.get());
    QVERIFY(window->windowFlags() & Qt::Tool);
    QCOMPARE(window->size(), client);
    QCOMPARE(QSize(int(window->outerWidth()), int(window->outerHeight())), outer);
    // Unscaled from the top-left corner, however much of it fits.
    VERIFY_SAME(painted(window), image.copy(QRect(QPoint(0, 0), client)));
    QVERIFY(app.dialogs.messages.isEmpty());
}

void OutputTest::previewWindowLifecycle() {
    TestApp app;
    MainForm& f = app.f();
    QVERIFY(app.showWindow());
    const QString work = app.workFolder();
    writeBitmap(joined(work, QStringLiteral("003.bmp")), patternImage(32, 32));
    const QImage second = patternImage(80, 48).copy(32, 16, 48, 16);
    writeBitmap(joined(work, QStringLiteral("004.bmp")), second);
    f.File1->refresh();

    clickItem(f.File1, QStringLiteral("003.bmp"));
    QVERIFY(!app.window->previewWindow()); // a single click previews nothing

    doubleClickItem(f.File1, QStringLiteral("003.bmp"));
    QTRY_VERIFY(app.window->previewWindow());
    QPointer<platform::Form> first = app.window->previewWindow();
    QVERIFY(first->isVisible());

    doubleClickItem(f.File1, QStringLiteral("004.bmp"));
    QTRY_COMPARE(first->caption(), QStringLiteral("004.bmp"));
    QCOMPARE(app.window->previewWindow(), first.data());
    QVERIFY(first->isVisible());
    QCOMPARE(first->outerWidth(), 870.0);
    QCOMPARE(first->outerHeight(), 600.0);
    VERIFY_SAME(first->picture(), second);

    QTest::keyClick(first, Qt::Key_A);
    QVERIFY(first->isVisible());
    QTest::keyClick(first, Qt::Key_Escape);
    QVERIFY(first);
    QVERIFY(!first->isVisible());
    QCOMPARE(app.window->previewWindow(), first.data());

    doubleClickItem(f.File1, QStringLiteral("003.bmp"));
    QTRY_VERIFY(first->isVisible());
    QCOMPARE(app.window->previewWindow(), first.data());
    QCOMPARE(first->caption(), QStringLiteral("003.bmp"));
    QCOMPARE(first->outerWidth(), 630.0);
    QCOMPARE(first->outerHeight(), 840.0);

    // The close box discards the window; the program goes on.
    QVERIFY(first->close());
    QTRY_VERIFY(!first);
    QVERIFY(!app.window->previewWindow());
    QCOMPARE(app.system->ends, 0);
    QVERIFY(app.window->isVisible());

    doubleClickItem(f.File1, QStringLiteral("004.bmp"));
    QTRY_VERIFY(app.window->previewWindow());
    platform::Form* next = app.window->previewWindow();
    QVERIFY(next->isVisible());
    QCOMPARE(next->caption(), QStringLiteral("004.bmp"));
    QCOMPARE(next->outerWidth(), 870.0);
    QVERIFY(app.dialogs.messages.isEmpty());
}

void OutputTest::previewFailure_data() {
    QTest::addColumn<PreviewFailure>("failure");
    QTest::newRow("nothing selected") << PreviewFailure::NothingSelected;
    QTest::newRow("file gone") << PreviewFailure::FileGone;
    QTest::newRow("not a picture") << PreviewFailure::NotAPicture;
    QTest::newRow("truncated bitmap") << PreviewFailure::TruncatedBitmap;
}

void OutputTest::previewFailure() {
    QFETCH(PreviewFailure, failure);
    TestApp app;
    MainForm& f = app.f();
    QVERIFY(app.showWindow());
    const QString work = app.workFolder();
    const QString bad = joined(work, QStringLiteral("bad.bmp"));
    writeBitmap(joined(work, QStringLiteral("good.bmp")), patternImage(32, 32));
    writeBitmap(bad, patternImage(40, 40));
    f.File1->refresh();
    doubleClickItem(f.File1, QStringLiteral("good.bmp"));
    QTRY_VERIFY(app.window->previewWindow());
    platform::Form* window = app.window->previewWindow();

    bool failed = false;
    if (failure != PreviewFailure::NothingSelected) {
        clickItem(f.File1, QStringLiteral("bad.bmp"));
        QCOMPARE(f.File1->fileName(), QStringLiteral("bad.bmp"));
    }
    const QByteArray bytes = bytesOf(bad);
    switch (failure) {
    case PreviewFailure::NothingSelected:
        f.File1->clearSelection();
        QCOMPARE(f.File1->fileName(), QString());
        failed = true;
        break;
    case PreviewFailure::FileGone:
        QVERIFY(QFile::remove(bad));
        failed = true;
        break;
    case PreviewFailure::NotAPicture:
        QVERIFY(writeFile(bad, "not a picture at all"));
        failed = true;
        break;
    case PreviewFailure::TruncatedBitmap:
        QVERIFY(writeFile(bad, bytes.left(bytes.size() / 2)));
        failed = true;
        break;
    }
    QVERIFY2(failed, "unknown failure");
    // Appears only if the list is read again.
    writeBitmap(joined(work, QStringLiteral("later.bmp")), patternImage(16, 16));

    int ran = 0;
    countCalls(f.File1->onDblClick, ran);
    f.File1->onDblClick();

    QCOMPARE(ran, 1);
    QCOMPARE(app.window->previewWindow(), window);
    QCOMPARE(window->caption(), QStringLiteral("good.bmp"));
    QCOMPARE(window->outerWidth(), 630.0);
    VERIFY_PATTERN(window->picture(), 0, 0);
    if (failure == PreviewFailure::NothingSelected) {
        QVERIFY(app.dialogs.messages.isEmpty());
        QCOMPARE(listed(f.File1),
                 (QStringList{QStringLiteral("bad.bmp"), QStringLiteral("good.bmp")}));
    } else {
        QCOMPARE(app.dialogs.messages, QStringList{messages::fileError});
        QStringList expected{QStringLiteral("good.bmp"), QStringLiteral("later.bmp")};
        if (failure != PreviewFailure::FileGone)
            expected.prepend(QStringLiteral("bad.bmp"));
        QCOMPARE(listed(f.File1), expected);
    }
}

void OutputTest::deletion_data() {
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<bool>("select");
    QTest::addColumn<bool>("goneFirst");
    QTest::addColumn<bool>("deletes");
    QTest::addColumn<int>("heard"); // KeyPress events; the Delete key is none
    QTest::newRow("Backspace") << Qt::Key_Backspace << true << false << true << 1;
    QTest::newRow("Delete key") << Qt::Key_Delete << true << false << false << 0;
    QTest::newRow("other character") << Qt::Key_Q << true << false << false << 1;
    QTest::newRow("Return") << Qt::Key_Return << true << false << false << 1;
    QTest::newRow("arrow key") << Qt::Key_Down << true << false << false << 0;
    QTest::newRow("nothing selected") << Qt::Key_Backspace << false << false << false << 1;
    QTest::newRow("file gone") << Qt::Key_Backspace << true << true << false << 1;
}

void OutputTest::deletion() {
    QFETCH(Qt::Key, key);
    QFETCH(bool, select);
    QFETCH(bool, goneFirst);
    QFETCH(bool, deletes);
    QFETCH(int, heard);
    TestApp app;
    MainForm& f = app.f();
    QVERIFY(app.showWindow());
    const QString work = app.workFolder();
    const QString victim = joined(work, QStringLiteral("001.bmp"));
    writeBitmap(joined(work, QStringLiteral("000.bmp")), patternImage(16, 16));
    writeBitmap(victim, patternImage(16, 16));
    f.File1->refresh();
    setStartAndReset(app, 2);
    if (select) {
        clickItem(f.File1, QStringLiteral("001.bmp"));
        QCOMPARE(f.File1->fileName(), QStringLiteral("001.bmp"));
    } else {
        f.File1->clearSelection();
        QCOMPARE(f.File1->fileName(), QString());
    }
    if (goneFirst)
        QVERIFY(QFile::remove(victim));
    f.File1->setFocus();
    int keyPresses = 0;
    countCalls(f.File1->onKeyPress, keyPresses);

    QTest::keyClick(f.File1, key);

    QCOMPARE(keyPresses, heard);

    QCOMPARE(f.Label7->caption(), QStringLiteral("Next file:002.bmp"));
    QVERIFY(!app.window->previewWindow());
    if (goneFirst) {
        QCOMPARE(app.dialogs.messages, QStringList{messages::fileError});
        QCOMPARE(listed(f.File1), QStringList{QStringLiteral("000.bmp")});
        return;
    }
    QVERIFY(app.dialogs.messages.isEmpty());
    QCOMPARE(QFileInfo::exists(victim), !deletes);
    QVERIFY(QFileInfo::exists(joined(work, QStringLiteral("000.bmp"))));
    if (deletes) {
        QCOMPARE(listed(f.File1), QStringList{QStringLiteral("000.bmp")});
#ifdef Q_OS_LINUX
        // On the home's volume the file goes to the trash in the data folder.
        const QString data = qEnvironmentVariable("XDG_DATA_HOME");
        const QString volume = QStorageInfo(data).rootPath();
        if (QStorageInfo(work).rootPath() == volume &&
            QStorageInfo(QDir::homePath()).rootPath() == volume) {
            const QByteArray origin =
                "Path=" + QUrl::toPercentEncoding(QFileInfo(victim).absoluteFilePath(), "/");
            bool trashed = false;
            const QString info = QDir(data).filePath(QStringLiteral("Trash/info"));
            for (const QString& name : QDir(info).entryList({QStringLiteral("*.trashinfo")}))
                trashed = trashed || bytesOf(QDir(info).filePath(name)).contains(origin);
            QVERIFY2(trashed, qPrintable(victim + QStringLiteral(" is not in ") + info));
        }
#endif
    } else
        QCOMPARE(listed(f.File1),
                 (QStringList{QStringLiteral("000.bmp"), QStringLiteral("001.bmp")}));
}

QTEST_MAIN(OutputTest)
#include "tst_output.moc"
