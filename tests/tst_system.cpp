#include "support/doubles.h"

#include "system/drives.h"
#include "system/errors.h"
#include "system/system.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace platform;

// The file system as the program sees it: which drive a path lies on and the
// folder a drive opens at, and the one folder "make folder" makes.
class SystemTest : public QObject {
    Q_OBJECT
private slots:
    void drives_data();
    void drives();
    void makeFolderMakesExactlyOne();
};

void SystemTest::drives_data() {
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

void SystemTest::drives() {
    QFETCH(QString, path);
    QFETCH(QString, drive);
    // The working folder must exist: a drive's current folder is one that opens.
    const QTemporaryDir working;
    const doubles::FixedDrives fixed({"/", "/media/usb", "/mnt/a", "/mnt/a/b"}, working.path());
    QCOMPARE(fixed.driveOf(path), drive);
    QCOMPARE(fixed.currentFolder(QStringLiteral("/")), working.path());
    QCOMPARE(fixed.currentFolder(QStringLiteral("/media/usb")), QStringLiteral("/media/usb"));
}

void SystemTest::makeFolderMakesExactlyOne() {
    QTemporaryDir dir;
    makeFolder(dir.filePath(QStringLiteral("new")));
    QVERIFY(QDir(dir.filePath(QStringLiteral("new"))).exists());
    QVERIFY_THROWS_EXCEPTION(PlatformError, makeFolder(dir.filePath(QStringLiteral("new"))));
    QVERIFY_THROWS_EXCEPTION(PlatformError, makeFolder(dir.filePath(QStringLiteral("a/b"))));
    QVERIFY(!QDir(dir.filePath(QStringLiteral("a"))).exists());
    makeFolder(dir.filePath(QStringLiteral("new/inner")));
    QVERIFY(QDir(dir.filePath(QStringLiteral("new/inner"))).exists());
}

QTEST_MAIN(SystemTest)
#include "tst_system.moc"
