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

// A TCP listener on 127.0.0.1 whose connections the kernel accepts and nobody ever answers.
class SilentListener {
public:
    SilentListener() {
        socket_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(socket_, 4);
        ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
    }
    ~SilentListener() { close(); }
    void close() {
        if (socket_ >= 0)
            ::close(socket_);
        socket_ = -1;
    }
    std::string address() const { return "http://127.0.0.1:" + std::to_string(port_); }

    // The first bytes of the next connection, waiting at most five seconds for them.
    QByteArray firstBytesOfNextConnection() const {
        pollfd waiting{socket_, POLLIN, 0};
        if (::poll(&waiting, 1, 5000) != 1)
            return {};
        const int connection = ::accept(socket_, nullptr, nullptr);
        pollfd reading{connection, POLLIN, 0};
        QByteArray bytes(4096, '\0');
        const auto received =
            ::poll(&reading, 1, 5000) == 1 ? ::recv(connection, bytes.data(), bytes.size(), 0) : 0;
        ::close(connection);
        bytes.truncate(received > 0 ? static_cast<int>(received) : 0);
        return bytes;
    }

private:
    int socket_ = -1;
    int port_ = 0;
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
    SilentListener gone;
    gone.close(); // nothing listens on its port any more: every connection is refused
    QObject owner;
    auto* hourly = new HourlyRequest(gone.address(), &owner);
    auto* timer = owner.findChild<QTimer*>(QStringLiteral("Timer1"));
    QVERIFY(timer);
    QVERIFY(timer->isActive());
    QVERIFY(!timer->isSingleShot());
    QCOMPARE(timer->interval(), 5000);

    for (std::uint64_t ticks = 1; ticks <= 2; ++ticks) {
        tick(timer);
        QCOMPARE(timer->interval(), 3600000);
        QVERIFY(timer->isActive());
        QVERIFY(timer->remainingTime() > 3590000);
        QVERIFY(hourly->Requester().WaitForFinished(ticks, 10s));
        QVERIFY(hourly->Requester().LastResult().outcome != kolvane::ExchangeOutcome::Succeeded);
    }
}

void TestHourlyRequest::tickReturnsAtOnceWhileTheServerNeverAnswers() {
    SilentListener silent;
    QPointer<HourlyRequest> hourly = new HourlyRequest(silent.address());
    auto* timer = hourly->findChild<QTimer*>(QStringLiteral("Timer1"));

    QElapsedTimer clock;
    clock.start();
    tick(timer);
    tick(timer); // the first exchange is still waiting: this one starts nothing
    const auto tickTime = clock.elapsed();
    QVERIFY2(tickTime < 500, QByteArray::number(tickTime));

    bool eventLoopRan = false;
    QTimer::singleShot(0, [&] { eventLoopRan = true; });
    QTRY_VERIFY(eventLoopRan);
    QVERIFY(silent.firstBytesOfNextConnection().startsWith("GET / HTTP/1.1\r\n"));
    QCOMPARE(hourly->Requester().FinishedCount(), 0u);

    clock.restart();
    delete hourly;
    const auto endTime = clock.elapsed();
    QVERIFY2(endTime < 1000, QByteArray::number(endTime));
}

QTEST_MAIN(TestHourlyRequest)
#include "tst_hourlyrequest.moc"
