#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// Failures of the catalogue end the program with a message box naming the failure's number,
// description and file, and exit with that number; a missing or empty file fails before the
// window is shown, a line that cannot be split at the start-up tick.
class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void catalogue_data();
    void catalogue();
};

void TestStartup::catalogue_data()
{
    QTest::addColumn<QString>("kind"); // what stands at city.txt
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");

    QTest::newRow("missing") << "none" << QByteArray() << 53
                             << u"实时错误 '53'：\n\n文件未找到：city.txt"_s;
    QTest::newRow("a folder") << "folder" << QByteArray() << 75
                              << u"实时错误 '75'：\n\n路径/文件访问错误：city.txt"_s;
    QTest::newRow("empty") << "file" << QByteArray() << 62
                           << u"实时错误 '62'：\n\n输入超出文件尾：city.txt"_s;
    QTest::newRow("empty first line")
        << "file" << QByteArray("\r\n110000|P,") << 9
        << u"window shown\n实时错误 '9'：\n\n下标越界：city.txt"_s;
    QTest::newRow("too many fields")
        << "file" << QByteArray(32765, ',') << 6
        << u"window shown\n实时错误 '6'：\n\n溢出：city.txt"_s;
    QTest::newRow("largest catalogue") << "file" << QByteArray(32764, ',') << 0 << QString();
}

void TestStartup::catalogue()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, content);
    QFETCH(int, exitCode);
    QFETCH(QString, message);

    QTemporaryDir work;
    if (kind == u"folder")
        QVERIFY(QDir(work.path()).mkdir(u"city.txt"_s));
    if (kind == u"file") {
        QFile file(work.filePath(u"city.txt"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QProcess app;
    app.setWorkingDirectory(work.path());
    // Text mode: the driver's line ends are the platform's.
    app.start(QStringLiteral(DRIVER), {}, QIODevice::ReadOnly | QIODevice::Text);
    QVERIFY(app.waitForFinished(20000));
    QCOMPARE(app.exitStatus(), QProcess::NormalExit);
    QCOMPARE(app.exitCode(), exitCode);
    const QString shown = QString::fromUtf8(app.readAllStandardOutput()).trimmed();
    QCOMPARE(shown, message);
}

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
