#include "ui/HourlyRequest.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using kolvane::ui::HourlyRequest;
using namespace std::chrono_literals;

namespace {

// A listener on 127.0.0.1 whose connections the kernel completes and nobody ever answers.
struct SilentListener {
    int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};

    SilentListener() {
        socklen_t length = sizeof address;
        ::bind(socket, reinterpret_cast<sockaddr*>(&address), length);
        ::listen(socket, 4);
        ::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length);
    }
    ~SilentListener() { ::close(socket); }
    std::string url() const {
        return "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    }
    bool connectionWaits() const {
        pollfd waiting{socket, POLLIN, 0};
        return ::poll(&waiting, 1, 5000) == 1;
    }
};

void tick(QTimer* timer) {
    QVERIFY(QMetaObject::invokeMethod(timer, "timeout"));
}

} // namespace

class TestHourlyRequest : public QObject {
    Q_OBJECT

private slots:
    void firstTickAfterFiveSecondsThenEveryHourEvenWhenRequestsFail();
    void tickReturnsAtOnceWhileTheServerNeverAnswers();
};

void TestHourlyRequest::firstTickAfterFiveSecondsThenEveryHourEvenWhenRequestsFail() {
    std::string refusing = SilentListener().url(); // nothing listens there any more
    QObject owner;
    auto* hourly = new HourlyRequest(refusing, &owner);
    auto* timer = owner.findChild<QTimer*>(QStringLiteral("Timer1"));
    QVERIFY(timer && timer->isActive() && !timer->isSingleShot());
    QCOMPARE(timer->interval(), 5000);

    for (std::uint64_t ticks = 1; ticks <= 2; ++ticks) {
        tick(timer);
        QCOMPARE(timer->interval(), 3600000);
        QVERIFY(timer->isActive() && timer->remainingTime() > 3590000);
        QVERIFY(hourly->Requester().WaitForFinished(ticks, 10s));
        QVERIFY(hourly->Requester().LastResult().outcome != kolvane::ExchangeOutcome::Succeeded);
    }
}

void TestHourlyRequest::tickReturnsAtOnceWhileTheServerNeverAnswers() {
    SilentListener silent;
    QPointer<HourlyRequest> hourly = new HourlyRequest(silent.url());
    auto* timer = hourly->findChild<QTimer*>(QStringLiteral("Timer1"));

    QElapsedTimer clock;
    clock.start();
    tick(timer);
    tick(timer); // the first exchange is still waiting: this one starts nothing
    QVERIFY2(clock.elapsed() < 500, QByteArray::number(clock.elapsed()));
    bool eventLoopRan = false;
    QTimer::singleShot(0, [&] { eventLoopRan = true; });
    QTRY_VERIFY(eventLoopRan);
    QVERIFY(silent.connectionWaits());
    QCOMPARE(hourly->Requester().FinishedCount(), 0u);

    clock.restart();
    delete hourly;
    QVERIFY2(clock.elapsed() < 1000, QByteArray::number(clock.elapsed()));
}

QTEST_MAIN(TestHourlyRequest)
#include "tst_hourlyrequest.moc"
