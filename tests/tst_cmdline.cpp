#include "support/files.h"
#include "support/imagecheck.h"
#include "support/testapp.h"

#include "app/cmdline.h"
#include "app/startfile.h"
#include "controls/picturebox.h"
#include "system/nativefs.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using Action = app::Invocation::Action;
Q_DECLARE_METATYPE(Action)

class CmdlineTest : public QObject {
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void displayProblem_data();
    void displayProblem();
    void importAtStart_data();
    void importAtStart();
    void program_data();
    void program();
};

void CmdlineTest::parse_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<Action>("action");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("subcommand");
    QTest::addColumn<QStringList>("subArguments");
    QTest::addColumn<QString>("error");
    const QStringList none;
    QTest::newRow("nothing") << none << Action::Run << ""
                             << "" << none << "";
    QTest::newRow("a file") << QStringList{"tiles.png"} << Action::Run << "tiles.png"
                            << "" << none << "";
    QTest::newRow("--help") << QStringList{"--help"} << Action::Help << ""
                            << "" << none << "";
    QTest::newRow("-h after a file") << QStringList{"tiles.png", "-h"} << Action::Help << ""
                                     << "" << none << "";
    QTest::newRow("--version") << QStringList{"--version"} << Action::Version << ""
                               << "" << none << "";
    QTest::newRow("first of help and version wins")
        << QStringList{"--version", "--help"} << Action::Version << ""
        << "" << none << "";
    QTest::newRow("-- before a dash name")
        << QStringList{"--", "-tiles.png"} << Action::Run << "-tiles.png"
        << "" << none << "";
    QTest::newRow("-- then --help is a file")
        << QStringList{"--", "--help"} << Action::Run << "--help"
        << "" << none << "";
    QTest::newRow("a lone dash is a file name") << QStringList{"-"} << Action::Run << "-"
                                                << "" << none << "";
    QTest::newRow("unknown option") << QStringList{"--frobnicate"} << Action::Error << ""
                                    << "" << none << "unknown option --frobnicate";
    QTest::newRow("unknown word after one dash")
        << QStringList{"-xyz", "a.png"} << Action::Error << ""
        << "" << none << "unknown option -xyz";
    QTest::newRow("two files") << QStringList{"a.png", "b.png"} << Action::Error << ""
                               << "" << none << "one picture at a time: \"a.png\" and \"b.png\"";
    QTest::newRow("empty file name") << QStringList{""} << Action::Error << ""
                                     << "" << none << "the picture's file name is empty";
    QTest::newRow("a subcommand takes the rest")
        << QStringList{"cut", "--help", "x.png"} << Action::Subcommand << ""
        << "cut" << QStringList{"--help", "x.png"} << "";
    QTest::newRow("a subcommand name later is a file")
        << QStringList{"--", "cut"} << Action::Run << "cut"
        << "" << none << "";
}

void CmdlineTest::parse() {
    QFETCH(QStringList, arguments);
    QFETCH(Action, action);
    QFETCH(QString, file);
    QFETCH(QString, subcommand);
    QFETCH(QStringList, subArguments);
    QFETCH(QString, error);
    const app::Invocation got = app::parseCommandLine(arguments, {QStringLiteral("cut")});
    QCOMPARE(got.action, action);
    QCOMPARE(got.file, file);
    QCOMPARE(got.subcommand, subcommand);
    QCOMPARE(got.arguments, subArguments);
    QCOMPARE(got.error, error);
}

void CmdlineTest::displayProblem_data() {
    QTest::addColumn<QString>("platform");
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("wayland");
    QTest::addColumn<bool>("refused");
    QTest::newRow("nothing set") << ""
                                 << ""
                                 << "" << true;
    QTest::newRow("X") << ""
                       << ":0"
                       << "" << false;
    QTest::newRow("Wayland") << ""
                             << ""
                             << "wayland-0" << false;
    QTest::newRow("a platform named") << "offscreen"
                                      << ""
                                      << "" << false;
}

void CmdlineTest::displayProblem() {
    QFETCH(QString, platform);
    QFETCH(QString, display);
    QFETCH(QString, wayland);
    QFETCH(bool, refused);
    const QString problem = app::displayProblem(platform, display, wayland);
    QCOMPARE(!problem.isEmpty(), refused);
    if (refused)
        QVERIFY(problem.contains(u"neither DISPLAY nor WAYLAND_DISPLAY is set"));
}

void CmdlineTest::importAtStart_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message"); // %1 stands for the path
    QTest::addColumn<QSize>("picture");   // empty when none is taken
    QTest::newRow("a picture") << "tiles.png"
                               << "" << QSize(40, 30);
    QTest::newRow("a TGA without footer") << "tiles.tga"
                                          << "" << QSize(40, 30);
    QTest::newRow("missing") << "gone.png"
                             << "Cannot open \"%1\": there is no such file." << QSize();
    QTest::newRow("a folder") << "folder.png"
                              << "Cannot open \"%1\": it is a folder." << QSize();
    QTest::newRow("unreadable") << "locked.png"
                                << "Cannot open \"%1\": Permission denied." << QSize();
    QTest::newRow("not a picture")
        << "words.png"
        << "Cannot import \"%1\": it is not a picture Orvane can read." << QSize();
    // Opening a FIFO waits for a writer: it must be refused without opening it.
    QTest::newRow("a FIFO") << "pipe.png"
                            << "Cannot import \"%1\": it is not a picture Orvane can read."
                            << QSize();
    QTest::newRow("too small") << "small.png"
                               << "Image too small. Can't import!" << QSize();
    // As the shell hands it over: bytes that are not UTF-8, decoded as the launcher does.
    QTest::newRow("a name that is not UTF-8")
        << platform::decodePath("bad\xff.png") << "" << QSize(40, 30);
}

void CmdlineTest::importAtStart() {
    QFETCH(QString, name);
    QFETCH(QString, message);
    QFETCH(QSize, picture);
    TestApp app;
    const QString path = app.dir.filePath(name);
    Restore cleanUp;
    if (name == u"tiles.png") {
        QVERIFY(patternImage(40, 30).save(path));
    } else if (name == u"tiles.tga") {
        // 24-bit, top-down, uncompressed: what many tools write, with no footer.
        QByteArray bytes(18, '\0');
        bytes[2] = 2;
        bytes[12] = 40;
        bytes[14] = 30;
        bytes[16] = 24;
        bytes[17] = 0x20;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x) {
                const QRgb c = patternPixel(x, y);
                bytes += char(qBlue(c));
                bytes += char(qGreen(c));
                bytes += char(qRed(c));
            }
        QVERIFY(writeFile(path, bytes));
    } else if (name == u"folder.png") {
        QVERIFY(QDir().mkpath(path));
    } else if (name == u"locked.png") {
        if (geteuid() == 0)
            QSKIP("root reads every file");
        QVERIFY(patternImage(40, 30).save(path));
        QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions()));
    } else if (name == u"words.png") {
        QVERIFY(writeFile(path, "Not a picture, only words."));
    } else if (name == u"pipe.png") {
        QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
    } else if (name == u"small.png") {
        QVERIFY(patternImage(15, 40).save(path));
    } else if (name.startsWith(u"bad")) {
        QByteArray png;
        QBuffer buffer(&png);
        QVERIFY(buffer.open(QIODevice::WriteOnly) && patternImage(40, 30).save(&buffer, "PNG"));
        const int fd =
            ::open(platform::encodePath(path).constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        QVERIFY(fd >= 0);
        QCOMPARE(::write(fd, png.constData(), size_t(png.size())), ssize_t(png.size()));
        QCOMPARE(::close(fd), 0);
        // The temporary folder's own clean-up cannot name it.
        cleanUp.set([path] { ::unlink(platform::encodePath(path).constData()); });
    }

    app::importAtStart(*app.window, app.dialogs, path);

    const QStringList expected = message.isEmpty() ? QStringList()
                                 : message.contains(u"%1")
                                     ? QStringList{message.arg(QDir::toNativeSeparators(path))}
                                     : QStringList{message};
    QCOMPARE(app.dialogs.messages, expected);
    // The file named at start-up is the sheet's file, as an imported one is.
    QCOMPARE(app.window->tilesetPath(), picture.isEmpty() ? QString() : path);
    if (picture.isEmpty()) {
        QVERIFY(!app.f().state.sourcePicture);
    } else {
        QVERIFY(app.f().state.sourcePicture);
        QCOMPARE(QSize(app.f().state.sourcePicture->width(), app.f().state.sourcePicture->height()),
                 picture);
        // Shown as the import shows it: the view holds the picture from its corner.
        QString where;
        QVERIFY2(holdsPattern(app.f().pics->image().copy(0, 0, 40, 30), 0, 0, &where),
                 qPrintable(where));
    }
}

void CmdlineTest::program_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("environment"); // NAME=VALUE, or NAME alone to unset
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    const QStringList noDisplay{"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
    QTest::newRow("--help without a display")
        << QStringList{"--help"} << noDisplay << 0 << "Usage: orvane [FILE]"
        << "";
    QTest::newRow("--help names the cut") << QStringList{"-h"} << noDisplay << 0
                                          << "  orvane cut SHEET [options]   cut a whole sheet "
                                             "without a window; see orvane cut --help"
                                          << "";
    QTest::newRow("--version without a display")
        << QStringList{"--version"} << noDisplay << 0 << "Orvane 1.0.0"
        << "";
    QTest::newRow("unknown option")
        << QStringList{"--frobnicate"} << noDisplay << 2 << ""
        << "orvane: unknown option --frobnicate\nTry 'orvane --help' for more information.";
    QTest::newRow("no display at all")
        << QStringList{} << noDisplay << 1 << ""
        << "Orvane needs a graphical session: neither DISPLAY nor WAYLAND_DISPLAY is set.";
    QTest::newRow("a display that is not there")
        << QStringList{} << (QStringList(noDisplay) << "DISPLAY=:4711") << 1 << ""
        << "Orvane needs a graphical session: the display (DISPLAY=:4711) cannot be opened.";
    QTest::newRow("xcb asked for without a display")
        << QStringList{} << QStringList{"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM=xcb"} << 1
        << ""
        << "Orvane needs a graphical session: the display cannot be opened.";
}

void CmdlineTest::program() {
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, environment);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& entry : environment) {
        const qsizetype eq = entry.indexOf(u'=');
        if (eq < 0)
            env.remove(entry);
        else
            env.insert(entry.left(eq), entry.mid(eq + 1));
    }
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(ORVANE_PROGRAM), arguments);
    QVERIFY(process.waitForFinished(60000));
    const QString stdOut = QString::fromLocal8Bit(process.readAllStandardOutput());
    const QString stdErr = QString::fromLocal8Bit(process.readAllStandardError());
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), status);
    QVERIFY2(stdOut.contains(out), qPrintable(stdOut));
    QVERIFY2(stdErr.contains(err), qPrintable(stdErr));
    if (out.isEmpty())
        QCOMPARE(stdOut, QString());
    // Qt's advice to reinstall the program is no help to anyone here.
    QVERIFY2(!stdErr.contains(u"platform plugin"), qPrintable(stdErr));
}

QTEST_MAIN(CmdlineTest)
#include "tst_cmdline.moc"
