#include "support/UiTestSupport.h"

#include <QDirIterator>
#include <QProcess>
#include <QTest>
#include <QTime>
#include <csignal>

using namespace Qt::Literals::StringLiterals;
using namespace kolvane::testing;

namespace {

// Enough work that several copy workers are busy when the signal comes.
constexpr int kFiles = 600;
constexpr int kFileSize = 1 << 20;
// And one file far too large to be copied before the signal comes, however fast the disk: the
// job is still at work then. It is sparse, so it takes no room in the source.
constexpr qint64 kLargeFileSize = qint64{16} << 30;

QStringList TemporariesIn(const QString& directory) {
    QStringList found;
    QDirIterator entries(directory, QDir::Files | QDir::Hidden | QDir::System,
                         QDirIterator::Subdirectories);
    while (entries.hasNext()) {
        const QString path = entries.next();
        if (entries.fileName().startsWith(u".kolvane-"_s))
            found << path;
    }
    return found;
}

} // namespace

// The real program, run offscreen from a directory of its own, is asked to end from outside
// while a job replaces copies under temporary names.
class TestTerminationSignals : public QObject {
    Q_OBJECT
    UiSandbox sandbox_;

private slots:
    void initTestCase() {
        QVERIFY(sandbox_.isValid());
        const QByteArray content(kFileSize, 'k');
        for (int i = 0; i < kFiles; ++i) {
            const QString name = u"/f%1"_s.arg(i);
            WriteFile(sandbox_.filePath(u"source"_s) + name, content);
        }
        QFile large(sandbox_.filePath(u"source/large"_s));
        QVERIFY(large.open(QIODevice::WriteOnly) && large.resize(kLargeFileSize));
        const QString program = sandbox_.filePath(u"Kolvane"_s);
        QVERIFY(QFile::copy(QStringLiteral(KOLVANE_EXECUTABLE), program));
        QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner));
    }

    void endsThroughTheCloseStep_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGHUP") << SIGHUP;
    }

    void endsThroughTheCloseStep() {
        QFETCH(int, signal);
        // Old copies everywhere, so that every copy is staged under a temporary name.
        const QString destination = sandbox_.filePath(u"backup-%1"_s.arg(signal));
        for (int i = 0; i < kFiles; ++i)
            WriteFile(destination + u"/f%1"_s.arg(i), "old");
        WriteFile(destination + u"/large"_s, "old");
        // Due every minute at the second after next.
        const QString due = QTime::currentTime().addSecs(2).toString(u"hh:mm:ss"_s);
        sandbox_.writeSettings(
            u"[big]\ntaskName=big\ntaskSource=%1\ntaskDest=%2\ntaskDD=%3\n"
            u"useDelayM=1\ndelayM=1\n"_s.arg(sandbox_.filePath(u"source"_s), destination, due)
                .toUtf8());
        QProcess kolvane;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        kolvane.setProcessEnvironment(environment);
        kolvane.setProcessChannelMode(QProcess::ForwardedChannels);
        kolvane.start(sandbox_.filePath(u"Kolvane"_s));
        QVERIFY(kolvane.waitForStarted());

        QVERIFY(QTest::qWaitFor([&] { return !TemporariesIn(destination).isEmpty(); }, 70000));
        ::kill(static_cast<pid_t>(kolvane.processId()), signal);
        QVERIFY(kolvane.waitForFinished(20000));

        QCOMPARE(kolvane.exitStatus(), QProcess::NormalExit);
        QCOMPARE(kolvane.exitCode(), 0);
        QCOMPARE(TemporariesIn(destination), QStringList());
        // Each copy is whole or not there: the large one was under way, its old copy stays.
        for (int i = 0; i < kFiles; ++i) {
            const qint64 size = QFileInfo(destination + u"/f%1"_s.arg(i)).size();
            QVERIFY2(size == 3 || size == kFileSize, qPrintable(u"f%1"_s.arg(i)));
        }
        QCOMPARE(QFileInfo(destination + u"/large"_s).size(), 3);
    }
};

QTEST_GUILESS_MAIN(TestTerminationSignals)
#include "tst_terminationsignals.moc"
