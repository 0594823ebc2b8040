#pragma once

#include "web/HomePageRequester.h"

#include <QObject>
#include <string_view>

class QTimer;

namespace kolvane::ui {

// Fetches the home page about five seconds after it is made and then every hour. The exchange
// runs on the requester's own worker thread; the tick only hands it over and returns.
class HourlyRequest : public QObject {
    Q_OBJECT

public:
    explicit HourlyRequest(std::string_view address, QObject* parent = nullptr);

    const HomePageRequester& Requester() const { return IdHTTP1; }

public slots:
    void Timer1Timer();

private:
    QTimer* Timer1;
    HomePageRequester IdHTTP1;
};

} // namespace kolvane::ui
