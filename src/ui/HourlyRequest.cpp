#include "ui/HourlyRequest.h"

#include <QTimer>

namespace kolvane::ui {

namespace {

constexpr int FirstDelay = 5000;
constexpr int Hour = 3600000;

} // namespace

HourlyRequest::HourlyRequest(std::string_view address, QObject* parent)
    : QObject(parent), Timer1(new QTimer(this)), IdHTTP1(address) {
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(FirstDelay);
    connect(Timer1, &QTimer::timeout, this, &HourlyRequest::Timer1Timer);
    Timer1->start();
}

// Runs on the UI thread. A tick that finds the previous exchange still running starts nothing;
// whatever the exchange meets stays with the requester.
void HourlyRequest::Timer1Timer() {
    // Setting the interval restarts the timer; only the first tick needs that.
    if (Timer1->interval() != Hour)
        Timer1->setInterval(Hour);
    IdHTTP1.Request();
}

} // namespace kolvane::ui
