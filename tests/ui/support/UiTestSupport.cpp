#include "support/UiTestSupport.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QTimer>

namespace kolvane::testing {

UiSandbox::UiSandbox() : directory_(QDir::temp().filePath(QStringLiteral("kolvane-ui-XXXXXX"))) {}

void UiSandbox::writeFile(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(content);
}

QByteArray UiSandbox::readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void UiSandbox::writeSettings(const QByteArray& content) const {
    writeFile(path(QStringLiteral("defaultSet.ini")), content);
}

QByteArray UiSandbox::readSettings() const {
    return readFile(path(QStringLiteral("defaultSet.ini")));
}

MessageBoxAnswerer::MessageBoxAnswerer(QMessageBox::StandardButton answer)
    : MessageBoxAnswerer([answer](const ui::MessageBoxRequest&) { return answer; }) {}

MessageBoxAnswerer::MessageBoxAnswerer(Answer answer) {
    ui::SetMessageBoxResponder([this, answer](const ui::MessageBoxRequest& request) {
        requests_.push_back(request);
        return answer(request);
    });
}

MessageBoxAnswerer::~MessageBoxAnswerer() {
    ui::SetMessageBoxResponder({});
}

FakeClock::FakeClock(int hour, int minute, int second) {
    now_.year = 2026;
    now_.month = 3;
    now_.day = 1;
    setTimeOfDay(hour, minute, second);
}

LocalDateTime FakeClock::Now() const {
    std::lock_guard lock(mutex_);
    return now_;
}

void FakeClock::setTimeOfDay(int hour, int minute, int second) {
    std::lock_guard lock(mutex_);
    now_.hour = hour;
    now_.minute = minute;
    now_.second = second;
}

bool waitFor(const std::function<bool()>& condition, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(5);
    }
    return true;
}

bool execUntil(QDialog& dialog, const std::function<bool()>& condition, int timeoutMs) {
    bool held = false;
    QElapsedTimer elapsed;
    elapsed.start();
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, &dialog, [&] {
        if (!dialog.isVisible())
            return;
        held = condition();
        if (held || elapsed.elapsed() > timeoutMs)
            dialog.done(QDialog::Rejected);
    });
    poll.start();
    dialog.exec();
    return held;
}

} // namespace kolvane::testing
