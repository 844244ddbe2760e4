#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>

using namespace Qt::StringLiterals;

// Builds the Debian package from this build tree with CPack, unpacks it as dpkg would and checks
// what a user gets: the files and their places, what lintian and the desktop metadata validators
// say, and that the installed command starts from any working folder.

namespace
{
const QString AppId = QStringLiteral("com.example.zxquote");
const QString ProgramDir = QStringLiteral("usr/lib/zxquote");
const QList<int> IconSizes = {16, 24, 32, 48, 64, 72, 96, 128, 256};
const QSize MainWindowSize(797, 574);
// The main window's caption starts with the title and version; a failure box has the title alone.
const QString BoxTitle = QStringLiteral("装修报价器");
const QString MainWindowTitle = BoxTitle + u"1.001"_s;

enum class Kind { Executable, Data, Link };

struct Entry {
    QString path;
    Kind kind;
    QString source; // file in the source tree the packaged one must equal, if any
};

QList<Entry> expectedEntries()
{
    QList<Entry> entries = {
        {ProgramDir + u"/zxquote"_s, Kind::Executable, {}},
        {ProgramDir + u"/city.txt"_s, Kind::Data, u"data/city.txt"_s},
        {ProgramDir + u"/loading.html"_s, Kind::Data, u"data/loading.html"_s},
        {ProgramDir + u"/111.doc"_s, Kind::Data, u"data/111.doc"_s},
        {u"usr/bin/zxquote"_s, Kind::Link, ProgramDir + u"/zxquote"_s},
        {u"usr/share/applications/%1.desktop"_s.arg(AppId), Kind::Data,
         u"packaging/%1.desktop"_s.arg(AppId)},
        {u"usr/share/metainfo/%1.metainfo.xml"_s.arg(AppId), Kind::Data, {}},
        {u"usr/share/doc/zxquote/copyright"_s, Kind::Data, u"packaging/copyright"_s},
        {u"usr/share/lintian/overrides/zxquote"_s, Kind::Data, u"packaging/lintian-overrides"_s},
    };
    for (int n : IconSizes)
        entries.append({u"usr/share/icons/hicolor/%1x%1/apps/%2.png"_s.arg(n).arg(AppId),
                        Kind::Data, u"assets/icons/hicolor/%1x%1/apps/zxquote.png"_s.arg(n)});
    return entries;
}

struct Result {
    bool finished = false;
    int code = -1;
    QByteArray out;
    QByteArray err;
};

Result run(const QString &program, const QStringList &arguments, int msecs = 60000)
{
    QProcess process;
    process.start(program, arguments);
    Result result;
    result.finished = process.waitForStarted() && process.waitForFinished(msecs);
    if (result.finished && process.exitStatus() == QProcess::NormalExit)
        result.code = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    if (!result.finished)
        result.err += process.errorString().toUtf8();
    return result;
}

QByteArray describe(const Result &result)
{
    return "exit " + QByteArray::number(result.code) + "\n" + result.out + result.err;
}

QMap<QString, QString> desktopEntry(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QMap<QString, QString> keys;
    bool inGroup = false;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        if (line.startsWith(u'['))
            inGroup = line == u"[Desktop Entry]";
        else if (const qsizetype eq = line.indexOf(u'='); inGroup && eq > 0)
            keys.insert(line.left(eq), line.mid(eq + 1));
    }
    return keys;
}

QProcessEnvironment programEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // The news page is fetched at start-up; a closed loopback proxy keeps it off the network.
    env.insert(u"http_proxy"_s, u"http://127.0.0.1:9"_s);
    env.remove(u"no_proxy"_s);
    env.remove(u"WAYLAND_DISPLAY"_s);
    return env;
}

struct Window {
    QString title;
    QSize size;
};

QString describe(const QList<Window> &windows)
{
    QStringList out;
    for (const Window &w : windows)
        out.append(u"\"%1\" %2x%3"_s.arg(w.title).arg(w.size.width()).arg(w.size.height()));
    return out.isEmpty() ? u"no window"_s : out.join(u", "_s);
}

// The program's top-level windows; Qt's helper windows carry no WM_CLASS.
QList<Window> programWindows(const QString &display)
{
    QProcess xwininfo;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"DISPLAY"_s, display);
    xwininfo.setProcessEnvironment(env);
    xwininfo.start(u"xwininfo"_s, {u"-root"_s, u"-tree"_s});
    if (!xwininfo.waitForFinished(5000))
        return {};
    static const QRegularExpression window(
        uR"re(^\s+0x[0-9a-f]+ (?:"(.*)"|\(has no name\)): \(".+"\)\s+(\d+)x(\d+)[+-])re"_s,
        QRegularExpression::MultilineOption);
    QList<Window> windows;
    const QString listing = QString::fromUtf8(xwininfo.readAllStandardOutput());
    for (const QRegularExpressionMatch &m : window.globalMatch(listing))
        windows.append({m.captured(1), QSize(m.captured(2).toInt(), m.captured(3).toInt())});
    return windows;
}
} // namespace

class TestPackaging : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void contents_data();
    void contents();
    void nothingElse();
    void icons_data();
    void icons();
    void lintian();
    void control();
    void metadata_data();
    void metadata();
    void launcher();
    void window_data();
    void window();

private:
    QString packaged(const QString &path) const { return root + u'/' + path; }

    QTemporaryDir work;
    QString deb;
    QString root;
};

void TestPackaging::initTestCase()
{
    // CPack's Debian generator finds the dependencies with dpkg-shlibdeps.
    if (QStandardPaths::findExecutable(u"dpkg-deb"_s).isEmpty())
        QSKIP("missing tool: dpkg-deb (Debian: dpkg)");
    if (QStandardPaths::findExecutable(u"dpkg-shlibdeps"_s).isEmpty())
        QSKIP("missing tool: dpkg-shlibdeps (Debian: dpkg-dev)");
    QVERIFY(work.isValid());
    const QString out = work.filePath(u"package"_s);
    QStringList arguments = {u"--config"_s, QStringLiteral(CPACK_CONFIG), u"-B"_s, out};
    if (const QString config = QStringLiteral(BUILD_CONFIG); !config.isEmpty())
        arguments << u"-C"_s << config;
    const Result cpack = run(QStringLiteral(CPACK_COMMAND), arguments, 90000);
    QVERIFY2(cpack.code == 0, describe(cpack).constData());

    const QStringList debs = QDir(out).entryList({u"*.deb"_s}, QDir::Files);
    QVERIFY2(debs.size() == 1, qPrintable(debs.join(u", ")));
    deb = QDir(out).filePath(debs.first());

    root = work.filePath(u"root"_s);
    const Result unpack = run(u"dpkg-deb"_s, {u"-x"_s, deb, root});
    QVERIFY2(unpack.code == 0, describe(unpack).constData());
}

void TestPackaging::contents_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QString>("source");
    for (const Entry &e : expectedEntries())
        QTest::newRow(qPrintable(e.path)) << e.path << e.kind << e.source;
}

void TestPackaging::contents()
{
    QFETCH(QString, path);
    QFETCH(Kind, kind);
    QFETCH(QString, source);

    const QFileInfo info(packaged(path));
    QVERIFY2(info.exists() || info.isSymLink(), "missing from the package");
    switch (kind) {
    case Kind::Link:
        // Relative, so that it leads into the unpacked tree as it does on the installed system.
        QVERIFY(info.isSymLink());
        QCOMPARE(info.symLinkTarget(), QFileInfo(packaged(source)).absoluteFilePath());
        return;
    case Kind::Executable: {
        QVERIFY(!info.isSymLink());
        QVERIFY(info.permissions().testFlags(QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther));
        QFile file(info.filePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.read(4), QByteArray("\x7f"
                                          "ELF"));
        return;
    }
    case Kind::Data:
        QVERIFY(!info.isSymLink());
        QVERIFY(info.permissions().testFlag(QFile::ReadOther));
        QVERIFY(
            !info.permissions().testAnyFlags(QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther));
        if (!source.isEmpty()) {
            QFile packagedFile(info.filePath());
            QFile sourceFile(QStringLiteral(SOURCE_DIR "/") + source);
            QVERIFY(packagedFile.open(QIODevice::ReadOnly));
            QVERIFY(sourceFile.open(QIODevice::ReadOnly));
            QVERIFY2(packagedFile.readAll() == sourceFile.readAll(), "differs from its source");
        }
        return;
    }
}

// An install rule added elsewhere in the project must not slip test programs or build leftovers
// into the package unnoticed.
void TestPackaging::nothingElse()
{
    QStringList expected;
    for (const Entry &e : expectedEntries())
        expected.append(e.path);
    QStringList found;
    QDirIterator it(root, QDir::Files | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found.append(QDir(root).relativeFilePath(it.next()));
    expected.sort();
    found.sort();
    QCOMPARE(found, expected);
}

void TestPackaging::icons_data()
{
    QTest::addColumn<int>("size");
    for (int n : IconSizes)
        QTest::addRow("%dx%d", n, n) << n;
}

void TestPackaging::icons()
{
    QFETCH(int, size);
    QImageReader reader(
        packaged(u"usr/share/icons/hicolor/%1x%1/apps/%2.png"_s.arg(size).arg(AppId)));
    QCOMPARE(reader.format(), QByteArray("png"));
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(image.size(), QSize(size, size));
    QVERIFY(image.hasAlphaChannel());
    // Rounded corners: the corner pixel is see-through, the centre is not.
    QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(image.pixel(size / 2, size / 2)), 255);
}

// Debian's checker, with the overrides the package carries; they are deliberate and explained.
void TestPackaging::lintian()
{
    if (QStandardPaths::findExecutable(u"lintian"_s).isEmpty())
        QSKIP("missing tool: lintian");
    const Result lintian = run(u"lintian"_s, {u"--fail-on"_s, u"error,warning"_s, deb}, 120000);
    QVERIFY2(lintian.code == 0, describe(lintian).constData());
}

// What lintian takes as given: the name, version and architecture, and that the libraries the
// program links were found (Debian 13 names some of them with a "t64" suffix).
void TestPackaging::control()
{
    const Result show = run(u"dpkg-deb"_s, {u"--show"_s,
                                            u"--showformat=${Package} ${Version} ${Architecture}\n"
                                            u"${Depends}\n${Recommends}\n"_s,
                                            deb});
    QVERIFY2(show.code == 0, describe(show).constData());
    const QStringList lines = QString::fromUtf8(show.out).split(u'\n');
    QCOMPARE(lines.size(), 4);
    const Result arch = run(u"dpkg"_s, {u"--print-architecture"_s});
    QCOMPARE(lines[0], u"zxquote %1 %2"_s.arg(QStringLiteral(PROJECT_VERSION),
                                              QString::fromUtf8(arch.out.trimmed())));

    // "libc6 (>= 2.34), libqt6core6t64 (>= 6.4.2)" to "libc6", "libqt6core6t64"
    static const QRegularExpression name(u"(?:^|[,|]) *([a-z0-9][a-z0-9+.-]*)"_s);
    const auto names = [](const QString &field) {
        QStringList found;
        for (const QRegularExpressionMatch &m : name.globalMatch(field))
            found.append(m.captured(1));
        return found;
    };
    const QStringList depends = names(lines[1]);
    for (const QString &library : {u"libqt6widgets6"_s, u"libqt6gui6"_s, u"libqt6network6"_s,
                                   u"libqt6core6"_s, u"libc6"_s, u"libstdc++6"_s}) {
        QVERIFY2(std::any_of(depends.begin(), depends.end(),
                             [&](const QString &d) { return d.startsWith(library); }),
                 qPrintable(library + u" missing from "_s + lines[1]));
    }
    // The news page is read by the program's own tokenizer.
    QVERIFY2(std::none_of(depends.begin(), depends.end(),
                          [](const QString &d) { return d.startsWith(u"libxml2"); }),
             qPrintable(lines[1]));
    QVERIFY2(names(lines[2]).contains(u"fonts-noto-cjk"_s), qPrintable(lines[2]));
}

void TestPackaging::metadata_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");

    const QString desktop = u"usr/share/applications/%1.desktop"_s.arg(AppId);
    const QString metainfo = u"usr/share/metainfo/%1.metainfo.xml"_s.arg(AppId);
    QTest::newRow("desktop entry") << u"desktop-file-validate"_s << QStringList{desktop};
    QTest::newRow("metainfo") << u"appstreamcli"_s
                              << QStringList{u"validate"_s, u"--no-net"_s, metainfo};
    // The metainfo against the desktop entry it launches.
    QTest::newRow("installed tree")
        << u"appstreamcli"_s << QStringList{u"validate-tree"_s, u"--no-net"_s, u"."_s};
}

void TestPackaging::metadata()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QProcess validator;
    validator.setWorkingDirectory(root);
    validator.start(program, arguments);
    if (!validator.waitForStarted())
        QSKIP(qPrintable(u"missing tool: "_s + program));
    QVERIFY(validator.waitForFinished(30000));
    const QByteArray said = validator.readAllStandardOutput() + validator.readAllStandardError();
    QVERIFY2(validator.exitStatus() == QProcess::NormalExit && validator.exitCode() == 0,
             said.constData());
}

// What the validators do not check: that the menu entry's command and icon are in the package.
void TestPackaging::launcher()
{
    const auto entry = desktopEntry(packaged(u"usr/share/applications/%1.desktop"_s.arg(AppId)));
    const QString command = entry.value(u"Exec"_s).section(u' ', 0, 0);
    QVERIFY(!command.isEmpty());
    QVERIFY2(!command.contains(u'/'), "Exec should name a command on the PATH");
    QVERIFY2(QFileInfo(packaged(u"usr/bin/"_s + command)).isExecutable(), qPrintable(command));

    const QString icon = entry.value(u"Icon"_s);
    QCOMPARE(icon, AppId);
    for (int n : IconSizes)
        QVERIFY(QFileInfo::exists(
            packaged(u"usr/share/icons/hicolor/%1x%1/apps/%2.png"_s.arg(n).arg(icon))));
}

void TestPackaging::window_data()
{
    QTest::addColumn<bool>("catalogueInstalled");
    QTest::addColumn<bool>("mainWindow");
    QTest::newRow("as packaged") << true << true;
    // Shows that the check can fail: without the catalogue the failure box comes up instead.
    QTest::newRow("catalogue removed") << false << false;
}

// On a virtual X server the windows can be seen: started from another folder, after the
// start-up tick the program still runs and shows its main window and nothing else. A failure
// box keeps the program running too; its title and size tell it apart.
void TestPackaging::window()
{
    QFETCH(bool, catalogueInstalled);
    QFETCH(bool, mainWindow);

    const QString catalogue = packaged(ProgramDir + u"/city.txt"_s);
    const QString away = catalogue + u".away"_s;
    if (!catalogueInstalled)
        QVERIFY(QFile::rename(catalogue, away));
    const auto restore = qScopeGuard([&] {
        if (!catalogueInstalled)
            QFile::rename(away, catalogue);
    });

    if (QStandardPaths::findExecutable(u"xwininfo"_s).isEmpty())
        QSKIP("missing tool: xwininfo (Debian: x11-utils)");
    QProcess xvfb;
    xvfb.start(u"Xvfb"_s, {u"-displayfd"_s, u"1"_s, u"-nolisten"_s, u"tcp"_s, u"-screen"_s, u"0"_s,
                           u"1024x768x24"_s});
    if (!xvfb.waitForStarted())
        QSKIP("missing tool: Xvfb (Debian: xvfb)");
    const auto stopServer = qScopeGuard([&xvfb] {
        xvfb.terminate();
        xvfb.waitForFinished();
    });
    QDeadlineTimer ready(10000);
    while (!xvfb.canReadLine() && !ready.hasExpired())
        xvfb.waitForReadyRead(100);
    QVERIFY2(xvfb.canReadLine(), xvfb.readAllStandardError().constData());
    const QString display = u":"_s + QString::fromLatin1(xvfb.readLine().trimmed());

    QTemporaryDir elsewhere;
    QVERIFY(elsewhere.isValid());
    QProcessEnvironment env = programEnvironment();
    env.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    env.insert(u"DISPLAY"_s, display);
    QProcess app;
    app.setProcessEnvironment(env);
    app.setWorkingDirectory(elsewhere.path());
    app.start(packaged(u"usr/bin/zxquote"_s), {});
    QVERIFY2(app.waitForStarted(), qPrintable(app.errorString()));
    const auto stopApp = qScopeGuard([&app] {
        app.kill();
        app.waitForFinished();
    });

    QList<Window> windows;
    // Generous: a sanitizer build on a loaded machine, with fresh font caches, starts slowly.
    QDeadlineTimer shown(30000);
    while ((windows = programWindows(display)).isEmpty() && !shown.hasExpired() &&
           app.state() == QProcess::Running)
        app.waitForFinished(100); // sleeps, and notices an early exit
    QVERIFY2(!windows.isEmpty(),
             qPrintable(u"%1, exit %2: %3"_s
                            .arg(app.state() == QProcess::Running ? u"running"_s : u"ended"_s)
                            .arg(app.exitCode())
                            .arg(QString::fromUtf8(app.readAllStandardError()))));
    // The start-up timer was started before the first window appeared; let it fire.
    QTest::qSleep(3500);
    windows = programWindows(display);
    QVERIFY2(app.state() == QProcess::Running,
             qPrintable(u"exit %1: %2"_s.arg(app.exitCode())
                            .arg(QString::fromUtf8(app.readAllStandardError()))));
    QVERIFY2(windows.size() == 1, qPrintable(describe(windows)));
    const Window &shownWindow = windows.first();
    if (mainWindow) {
        QVERIFY2(shownWindow.title.startsWith(MainWindowTitle), qPrintable(describe(windows)));
        QCOMPARE(shownWindow.size, MainWindowSize);
    } else {
        QCOMPARE(shownWindow.title, BoxTitle);
        QVERIFY(shownWindow.size != MainWindowSize);
    }
}

QTEST_GUILESS_MAIN(TestPackaging)
#include "tst_packaging.moc"
