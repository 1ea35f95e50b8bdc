#include "support/files.h"
#include "support/messages.h"
#include "support/testapp.h"

#include "controls/button.h"
#include "controls/checkbox.h"
#include "controls/dirlist.h"
#include "controls/filelist.h"
#include "controls/label.h"
#include "controls/optionbutton.h"
#include "controls/picturebox.h"

#include <QDir>
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

// What goes wrong under the program.
enum class Fault {
    ReadOnlyFolder,
    FolderRemoved,
    DiskFull,
    FileRemoved,
    ClipboardText,
    ClipboardEmpty,
    ClipboardUnreadable,
    OverflowingBmp,
    HugeBmp,
    HugePng,
};

// What the user does then.
enum class Action { Save, SaveAs, CreateFolder, Preview, Delete, Paste, Import, Drop };

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

Q_DECLARE_METATYPE(Fault)
Q_DECLARE_METATYPE(Action)

class FaultTest : public QObject {
    Q_OBJECT
private slots:
    void faults_data();
    void faults();
};

void FaultTest::faults_data() {
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<Action>("action");
    QTest::addColumn<QString>("message"); // empty: silence

    const auto row = [](const char* name, Fault fault, Action action, const QString& message) {
        QTest::newRow(name) << fault << action << message;
    };
    using messages::fileError;
    using messages::invalidFolder;
    row("read-only folder, SAVE", Fault::ReadOnlyFolder, Action::Save, fileError);
    // %1: the path Save as was given.
    row("read-only folder, Save as", Fault::ReadOnlyFolder, Action::SaveAs,
        fileError + QStringLiteral("\r%1\rPermission denied"));
    row("read-only folder, new folder", Fault::ReadOnlyFolder, Action::CreateFolder, invalidFolder);
    row("folder removed, Save as", Fault::FolderRemoved, Action::SaveAs,
        fileError + QStringLiteral("\r%1\rNo such file or directory"));
    row("folder removed, new folder", Fault::FolderRemoved, Action::CreateFolder, invalidFolder);
    row("folder removed, preview", Fault::FolderRemoved, Action::Preview, fileError);
    row("disk full, SAVE over a file", Fault::DiskFull, Action::Save, fileError);
    row("disk full, Save as", Fault::DiskFull, Action::SaveAs,
        fileError + QStringLiteral("\r%1\rNo space left on device"));
    row("file removed, preview", Fault::FileRemoved, Action::Preview, fileError);
    row("file removed, deletion", Fault::FileRemoved, Action::Delete, fileError);
    row("text on the clipboard", Fault::ClipboardText, Action::Paste, messages::pasteSmall);
    row("clipboard emptied", Fault::ClipboardEmpty, Action::Paste, messages::pasteSmall);
    row("clipboard unreadable", Fault::ClipboardUnreadable, Action::Paste, messages::pasteInvalid);
    row("bmp promising more than 64 bits count", Fault::OverflowingBmp, Action::Import, QString());
    row("100000 x 100000 bmp", Fault::HugeBmp, Action::Import, QString());
    row("100000 x 100000 png", Fault::HugePng, Action::Import, QString());
    row("100000 x 100000 png dropped", Fault::HugePng, Action::Drop, QString());
}

void FaultTest::faults() {
    QFETCH(Fault, fault);
    QFETCH(Action, action);
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

    Restore restore;
    QString folder = work; // where the action writes
    bool faulted = false;
    switch (fault) {
    case Fault::ReadOnlyFolder: {
        QVERIFY(QFile::setPermissions(work, QFile::ReadOwner | QFile::ExeOwner));
        restore.set([work] {
            QFile::setPermissions(work, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        });
        QFile probe(QDir(work).filePath(QStringLiteral("probe")));
        if (probe.open(QIODevice::WriteOnly)) {
            probe.remove();
            QSKIP("Permissions do not stop writes here (running as root); the disk-full rows "
                  "make writes fail instead");
        }
        faulted = true;
        break;
    }
    case Fault::FolderRemoved:
        f.File1->setCurrentRow(0);
        QCOMPARE(f.File1->fileName(), QStringLiteral("000.bmp"));
        QVERIFY(QDir(work).removeRecursively());
        faulted = true;
        break;
    case Fault::DiskFull: {
        // A 64 KiB file system holding 000.bmp and filled to the last byte.
        folder = QDir(app.root()).filePath(QStringLiteral("small"));
        QVERIFY(QDir().mkpath(folder));
        if (!run(QStringLiteral("mount"),
                 {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                  QStringLiteral("size=64k"), QStringLiteral("tmpfs"), folder}))
            QSKIP("Cannot mount a small tmpfs here (needs root or CAP_SYS_ADMIN); "
                  "the full disk is not tested");
        restore.set([folder] { run(QStringLiteral("umount"), {folder}); });
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
        faulted = true;
        break;
    }
    case Fault::FileRemoved:
        f.File1->setCurrentRow(0);
        QCOMPARE(f.File1->fileName(), QStringLiteral("000.bmp"));
        QVERIFY(QFile::remove(QDir(work).filePath(QStringLiteral("000.bmp"))));
        faulted = true;
        break;
    case Fault::ClipboardText:
        app.clipboard.content = QImage(); // only text: no bitmap to read
        faulted = true;
        break;
    case Fault::ClipboardEmpty:
        app.clipboard.clear();
        faulted = true;
        break;
    case Fault::ClipboardUnreadable:
        app.clipboard.unreadable = true;
        faulted = true;
        break;
    case Fault::OverflowingBmp:
    case Fault::HugeBmp:
    case Fault::HugePng: {
        // Width, height and bits a pixel whose product overflows 64 bits (found by fuzzing).
        const QByteArray overflowing = QByteArray::fromBase64(
            "Qk0BAAAYACEPAABhAQBCTToBAAAAAYAAADEgMQoyAAAAAAAAAAA2AAAAKAAAABEAAAAFAAAAAQAYAQAAAA==");
        const bool png = fault == Fault::HugePng;
        folder = QDir(app.root())
                     .filePath(png ? QStringLiteral("huge.png") : QStringLiteral("huge.bmp"));
        QVERIFY(writeFile(folder, png                       ? hugePng()
                                  : fault == Fault::HugeBmp ? hugeBmp()
                                                            : overflowing));
        faulted = true;
        break;
    }
    }
    QVERIFY2(faulted, "unknown fault");

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
    const qsizetype fileRequests = app.dialogs.fileRequests.size();
    const qsizetype prompts = app.dialogs.prompts.size();

    // Each action through its control's event, counted: a row whose action
    // never reached its handler fails.
    int ran = 0;
    qsizetype asked = 0; // the dialogs the action must show
    switch (action) {
    case Action::Save:
        countCalls(f.Command2->onClick, ran);
        f.Command2->click();
        break;
    case Action::SaveAs:
        app.dialogs.fileAnswers.push_back(
            QDir::toNativeSeparators(QDir(folder).filePath(QStringLiteral("named.bmp"))));
        countCalls(f.Command7->onClick, ran);
        f.Command7->click();
        asked = 1;
        break;
    case Action::CreateFolder:
        app.dialogs.inputAnswers.push_back(QStringLiteral("new"));
        countCalls(f.Command1->onClick, ran);
        f.Command1->click();
        asked = 1;
        break;
    case Action::Preview:
        countCalls(f.File1->onDblClick, ran);
        f.File1->onDblClick();
        break;
    case Action::Delete:
        countCalls(f.File1->onKeyPress, ran);
        f.File1->onKeyPress(8);
        break;
    case Action::Paste:
        countCalls(f.Command6->onClick, ran);
        f.Command6->click();
        break;
    case Action::Import:
        app.dialogs.fileAnswers.push_back(QDir::toNativeSeparators(folder));
        countCalls(f.b_open->onClick, ran);
        f.b_open->click();
        asked = 1;
        break;
    case Action::Drop:
        countCalls(f.pics->onDropFile, ran);
        f.pics->onDropFile(folder);
        break;
    }
    QVERIFY2(ran == 1, "unknown action, or its handler did not run");
    const QMap<QString, QByteArray> after = contents(app.root());
    restore.run();

    const QString named =
        QDir::toNativeSeparators(QDir(folder).filePath(QStringLiteral("named.bmp")));
    QCOMPARE(app.dialogs.messages, message.isEmpty()         ? QStringList()
                                   : message.contains(u"%1") ? QStringList{message.arg(named)}
                                                             : QStringList{message});
    QCOMPARE(app.dialogs.fileRequests.size() + app.dialogs.prompts.size(),
             fileRequests + prompts + asked);
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
    if (fault == Fault::FileRemoved || fault == Fault::FolderRemoved)
        QVERIFY(!listed(f.File1).contains(QStringLiteral("000.bmp")) || action == Action::SaveAs ||
                action == Action::CreateFolder);
    else
        QCOMPARE(listed(f.File1), files);
    QCOMPARE(f.cmdb.dialogTitle, QStringLiteral("Import Tileset"));
}

QTEST_MAIN(FaultTest)
#include "tst_faults.moc"
