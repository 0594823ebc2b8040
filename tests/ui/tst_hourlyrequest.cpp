#include "support/UiTestSupport.h"
#include "ui/TmainForm.h"
#include "web/ScriptedServer.h"

#include <QTest>
#include <QTimer>

using namespace kolvane;
using namespace std::chrono_literals;

// The rules of the hourly request are the program's; here only that the main window drives them
// with its Timer1 and ends them when it closes.
class TestHourlyRequest : public QObject {
    Q_OBJECT

private slots:
    void mainWindowRequestsOnTimer1AndAbortsAtClose();
};

void TestHourlyRequest::mainWindowRequestsOnTimer1AndAbortsAtClose() {
    testing::UiSandbox sandbox;
    sandbox.writeSettings({});
    testing::ScriptedServer server({{""}}); // never answers
    ui::TmainForm form(sandbox.settingsPath(), server.Address());
    auto* timer = form.findChild<QTimer*>(QStringLiteral("Timer1"));
    QVERIFY(timer && timer->isActive() && timer->isSingleShot());
    QCOMPARE(timer->interval(), 5000);

    QVERIFY(QMetaObject::invokeMethod(timer, "timeout"));
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 3600000);
    QVERIFY(server.WaitForRequests(1, 10s));

    form.close();
    QVERIFY(!timer->isActive());
    // The exchange waiting for its answer is given up, and its connection with it.
    QVERIFY(server.WaitForEndedConnections(1, 10s));
}

QTEST_MAIN(TestHourlyRequest)
#include "tst_hourlyrequest.moc"
