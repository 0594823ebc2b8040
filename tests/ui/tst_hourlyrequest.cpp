#include "ui/HourlyRequest.h"
#include "web/ScriptedServer.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

using namespace kolvane;
using namespace std::chrono_literals;

class TestHourlyRequest : public QObject {
    Q_OBJECT

private slots:
    void firstTickAfterFiveSecondsThenHourlyWithoutWaitingForTheServer();
};

// The server answers the first request with an error and never answers the second.
void TestHourlyRequest::firstTickAfterFiveSecondsThenHourlyWithoutWaitingForTheServer() {
    testing::ScriptedServer server({{"HTTP/1.1 500 Oops\r\nContent-Length: 0\r\n\r\n"}, {""}});
    auto hourly = std::make_unique<ui::HourlyRequest>(server.Address());
    auto* timer = hourly->findChild<QTimer*>(QStringLiteral("Timer1"));
    QVERIFY(timer && timer->isActive() && !timer->isSingleShot() && timer->interval() == 5000);
    const auto tick = [&] { QVERIFY(QMetaObject::invokeMethod(timer, "timeout")); };

    tick();
    QCOMPARE(timer->interval(), 3600000);
    QVERIFY(timer->isActive() && timer->remainingTime() > 3590000);
    QVERIFY(hourly->Requester().WaitForFinished(1, 10s));
    QCOMPARE(hourly->Requester().LastResult().outcome, ExchangeOutcome::ErrorAnswer);
    tick();
    tick(); // the second exchange is still waiting for its answer: this one starts nothing
    // The server never answers: a tick that waited for the exchange would return only after the
    // exchange had given up.
    QVERIFY(!hourly->Requester().WaitForFinished(2, 0ms));
    QVERIFY(timer->isActive() && timer->interval() == 3600000);
    QTRY_COMPARE(server.Requests().size(), 2u);
    QVERIFY(!hourly->Requester().WaitForFinished(2, 0ms));

    QElapsedTimer clock;
    clock.start();
    hourly.reset(); // the program's end aborts the waiting exchange at once
    QVERIFY2(clock.elapsed() < 1000, QByteArray::number(clock.elapsed()));
}

QTEST_MAIN(TestHourlyRequest)
#include "tst_hourlyrequest.moc"
