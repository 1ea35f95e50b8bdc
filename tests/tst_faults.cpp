#include "support/testapp.h"

#include "platform/button.h"
#include "platform/checkbox.h"
#include "platform/dirlist.h"
#include "platform/filelist.h"
#include "platform/label.h"
#include "platform/optionbutton.h"
#include "platform/picturebox.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QtEndian>

#include <functional>

// What the disk, the clipboard or the user's files can do under the program.
// Whatever goes wrong, the action ends with its one message or with
// none, and leaves everything else as it was: the counter, the tileset, the
// capture, and every file on disk, with no partial file left behind.

namespace {

const QString kFileError = QStringLiteral("File error!");
const QString kInvalidFolder = QStringLiteral("Invalid folder!");
const QString kPasteSmall = QStringLiteral("Invalid Clipboard data or image too small!");
const QString kPasteInvalid = QStringLiteral("Invalid Clipboard data!");

struct Cleanup {
    std::function<void()> run;
    ~Cleanup() {
        if (run)
            run();
    }
};

// Every file below the folder with its bytes, hidden ones too: a temporary
// file left by a failed write shows here.
QMap<QString, QByteArray> contents(const QString& folder) {
    QMap<QString, QByteArray> result;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        result.insert(path, it.fileInfo().isDir() || !file.open(QIODevice::ReadOnly)
                                ? QByteArray("<folder>")
                                : file.readAll());
    }
    return result;
}

QStringList listed(const QListWidget* list) {
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        names << list->item(i)->text();
    return names;
}

// A bitmap header that promises 100000 x 100000 pixels and holds none.
QByteArray hugeBmp() {
    QByteArray bytes(54, '\0');
    auto* p = reinterpret_cast<uchar*>(bytes.data());
    p[0] = 'B';
    p[1] = 'M';
    qToLittleEndian<quint32>(54, p + 10);
    qToLittleEndian<quint32>(40, p + 14);
    qToLittleEndian<qint32>(100000, p + 18);
    qToLittleEndian<qint32>(100000, p + 22);
    qToLittleEndian<quint16>(1, p + 26);
    qToLittleEndian<quint16>(24, p + 28);
    return bytes + QByteArray(4096, '\x55');
}

quint32 crc32(const QByteArray& data) {
    quint32 crc = 0xFFFFFFFF;
    for (char c : data) {
        crc ^= quint8(c);
        for (int k = 0; k < 8; ++k)
            crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320 : crc >> 1;
    }
    return ~crc;
}

// A well-formed PNG header for 100000 x 100000 pixels, and a little data.
QByteArray hugePng() {
    QByteArray ihdr("IHDR");
    QByteArray fields(13, '\0');
    auto* p = reinterpret_cast<uchar*>(fields.data());
    qToBigEndian<quint32>(100000, p);
    qToBigEndian<quint32>(100000, p + 4);
    p[8] = 8; // bit depth
    p[9] = 2; // truecolour
    ihdr += fields;
    QByteArray chunk(4, '\0');
    qToBigEndian<quint32>(13, reinterpret_cast<uchar*>(chunk.data()));
    chunk += ihdr;
    QByteArray crc(4, '\0');
    qToBigEndian<quint32>(crc32(ihdr), reinterpret_cast<uchar*>(crc.data()));
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk + crc + QByteArray(2048, '\0');
}

bool run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

} // namespace

class FaultTest : public QObject {
    Q_OBJECT
private slots:
    void faults_data();
    void faults();
};

void FaultTest::faults_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("message"); // empty: silence

    const auto row = [](const char* name, const char* fault, const char* action,
                        const QString& message) {
        QTest::newRow(name) << QString(fault) << QString(action) << message;
    };
    row("read-only folder, SAVE", "read-only folder", "save", kFileError);
    row("read-only folder, Save as", "read-only folder", "save as", QString());
    row("read-only folder, new folder", "read-only folder", "create folder", kInvalidFolder);
    row("folder removed, Save as", "folder removed", "save as", QString());
    row("folder removed, new folder", "folder removed", "create folder", kInvalidFolder);
    row("folder removed, preview", "folder removed", "preview", kFileError);
    row("disk full, SAVE over a file", "disk full", "save", kFileError);
    row("disk full, Save as", "disk full", "save as", QString());
    row("file removed, preview", "file removed", "preview", kFileError);
    row("file removed, deletion", "file removed", "delete", kFileError);
    row("text on the clipboard", "clipboard text", "paste", kPasteSmall);
    row("clipboard emptied", "clipboard empty", "paste", kPasteSmall);
    row("clipboard unreadable", "clipboard unreadable", "paste", kPasteInvalid);
    row("bmp promising more than 64 bits count", "overflowing bmp", "import", QString());
    row("100000 x 100000 bmp", "huge bmp", "import", QString());
    row("100000 x 100000 png", "huge png", "import", QString());
    row("100000 x 100000 png dropped", "huge png", "drop", QString());
}

void FaultTest::faults() {
    QFETCH(QString, fault);
    QFETCH(QString, action);
    QFETCH(QString, message);

    TestApp app;
    MainForm& f = app.f();
    const QString work = app.workFolder();

    // A session with something to lose: a tileset, a 64 x 64 capture, a saved
    // file, a picture on the clipboard. The next SAVE writes 000.bmp again.
    app.importImage(patternImage(600, 500));
    QVERIFY(f.state.sourcePicture);
    f.o_fixed->setValue(true);
    f.o_64->setValue(true);
    f.c_snap->setValue(1);
    app.clickView(130, 100);
    QCOMPARE(f.pict->image().size(), QSize(64, 64));
    f.Command2->click();
    QVERIFY(QFileInfo::exists(QDir(work).filePath(QStringLiteral("000.bmp"))));
    f.Command3->click();
    app.clickView(200, 140);
    f.c_clipb->setValue(0); // the clipboard step is no part of the file's failure
    const QImage onClipboard = app.clipboard.content;
    QVERIFY(!onClipboard.isNull());
    QVERIFY(app.dialogs.messages.isEmpty());

    Cleanup restore;
    QString folder = work; // where the action writes
    if (fault == u"read-only folder") {
        QVERIFY(QFile::setPermissions(work, QFile::ReadOwner | QFile::ExeOwner));
        restore.run = [work] {
            QFile::setPermissions(work, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        };
        QFile probe(QDir(work).filePath(QStringLiteral("probe")));
        if (probe.open(QIODevice::WriteOnly)) {
            probe.remove();
            QSKIP("Permissions do not stop writes here (running as root); the disk-full rows "
                  "make writes fail instead");
        }
    } else if (fault == u"folder removed") {
        f.File1->setCurrentRow(0);
        QCOMPARE(f.File1->fileName(), QStringLiteral("000.bmp"));
        QVERIFY(QDir(work).removeRecursively());
    } else if (fault == u"disk full") {
        // A 64 KiB file system holding 000.bmp and filled to the last byte.
        folder = QDir(app.root()).filePath(QStringLiteral("small"));
        QVERIFY(QDir().mkpath(folder));
        if (!run(QStringLiteral("mount"),
                 {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                  QStringLiteral("size=64k"), QStringLiteral("tmpfs"), folder}))
            QSKIP("Cannot mount a small tmpfs here (needs root or CAP_SYS_ADMIN); "
                  "the full disk is not tested");
        restore.run = [folder] { run(QStringLiteral("umount"), {folder}); };
        QVERIFY(QFile::copy(QDir(work).filePath(QStringLiteral("000.bmp")),
                            QDir(folder).filePath(QStringLiteral("000.bmp"))));
        QFile filler(QDir(folder).filePath(QStringLiteral("filler")));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(512, 'x');
        while (filler.write(block) == block.size()) {
        }
        filler.close();
        f.Dir1->setPath(QDir::toNativeSeparators(folder));
        QCOMPARE(f.state.outputFolder, QDir::toNativeSeparators(folder) + QDir::separator());
    } else if (fault == u"file removed") {
        f.File1->setCurrentRow(0);
        QCOMPARE(f.File1->fileName(), QStringLiteral("000.bmp"));
        QVERIFY(QFile::remove(QDir(work).filePath(QStringLiteral("000.bmp"))));
    } else if (fault == u"clipboard text") {
        app.clipboard.content = QImage(); // only text: no bitmap to read
    } else if (fault == u"clipboard empty") {
        app.clipboard.clear();
    } else if (fault == u"clipboard unreadable") {
        app.clipboard.unreadable = true;
    } else if (fault == u"huge bmp" || fault == u"huge png" || fault == u"overflowing bmp") {
        QFile file(QDir(app.root())
                       .filePath(fault == u"huge png" ? QStringLiteral("huge.png")
                                                      : QStringLiteral("huge.bmp")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        // Width, height and bits a pixel whose product overflows 64 bits (found by fuzzing).
        const QByteArray overflowing = QByteArray::fromBase64(
            "Qk0BAAAYACEPAABhAQBCTToBAAAAAYAAADEgMQoyAAAAAAAAAAA2AAAAKAAAABEAAAAFAAAAAQAYAQAAAA==");
        file.write(fault == u"huge bmp"   ? hugeBmp()
                   : fault == u"huge png" ? hugePng()
                                          : overflowing);
        file.close();
        folder = file.fileName();
    } else {
        QFAIL("unknown fault");
    }

    // What the fault left, and what the program holds.
    const QMap<QString, QByteArray> disk = contents(app.root());
    const platform::PicturePtr tileset = f.state.sourcePicture;
    const QImage view = f.pics->image();
    const QImage capture = f.pict->image();
    const std::int16_t counter = f.state.fileCounter;
    const QString label = f.Label7->caption();
    const QString output = f.state.outputFolder;
    const QStringList files = listed(f.File1);
    const QImage clipboard = app.clipboard.content;
    const int clipboardSets = app.clipboard.sets;

    if (action == u"save") {
        f.Command2->click();
    } else if (action == u"save as") {
        app.dialogs.fileAnswers.push_back(
            QDir::toNativeSeparators(QDir(folder).filePath(QStringLiteral("named.bmp"))));
        f.Command7->click();
    } else if (action == u"create folder") {
        app.dialogs.inputAnswers.push_back(QStringLiteral("new"));
        f.Command1->click();
    } else if (action == u"preview") {
        app.window->File1_DblClick();
    } else if (action == u"delete") {
        app.window->File1_KeyPress(8);
    } else if (action == u"paste") {
        f.Command6->click();
    } else if (action == u"import") {
        app.dialogs.fileAnswers.push_back(QDir::toNativeSeparators(folder));
        f.b_open->click();
    } else if (action == u"drop") {
        app.window->pics_DropFile(folder);
    }
    const QMap<QString, QByteArray> after = contents(app.root());
    if (restore.run) {
        restore.run();
        restore.run = nullptr;
    }

    QCOMPARE(app.dialogs.messages, message.isEmpty() ? QStringList() : QStringList{message});
    QVERIFY(app.dialogs.fileAnswers.empty() && app.dialogs.inputAnswers.empty());
    QCOMPARE(f.state.fileCounter, counter);
    QCOMPARE(f.Label7->caption(), label);
    QCOMPARE(f.state.outputFolder, output);
    QVERIFY(f.state.sourcePicture == tileset);
    QVERIFY(f.pics->image() == view);
    QVERIFY(f.pict->image() == capture);
    QVERIFY(app.clipboard.content == clipboard);
    QCOMPARE(app.clipboard.sets, clipboardSets);
    // Nothing written, nothing made, nothing lost on disk.
    QCOMPARE(after.keys(), disk.keys());
    QVERIFY(after == disk);
    // The list shows what is there: a file gone from disk is gone from it.
    if (fault == u"file removed" || fault == u"folder removed")
        QVERIFY(!listed(f.File1).contains(QStringLiteral("000.bmp")) || action == u"save as" ||
                action == u"create folder");
    else
        QCOMPARE(listed(f.File1), files);
    QCOMPARE(f.cmdb.dialogTitle, QStringLiteral("Import Tileset"));
}

QTEST_MAIN(FaultTest)
#include "tst_faults.moc"
