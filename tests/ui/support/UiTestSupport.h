#pragma once

#include "engine/Clock.h"
#include "ui/MessageBoxes.h"

#include <QDialog>
#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace kolvane::testing {

// The main window's hourly request goes here in tests: a local port where nothing listens.
inline constexpr const char* kLocalHomePage = "http://127.0.0.1:9";

// A temporary directory of the test's own, holding its defaultSet.ini; removed afterwards.
class UiSandbox {
public:
    UiSandbox();
    bool isValid() const { return directory_.isValid(); }
    QString path(const QString& relative) const { return directory_.filePath(relative); }
    std::string settingsPath() const {
        return path(QStringLiteral("defaultSet.ini")).toStdString();
    }

    static void writeFile(const QString& path, const QByteArray& content);
    static QByteArray readFile(const QString& path);
    void writeSettings(const QByteArray& content) const;
    QByteArray readSettings() const;

private:
    QTemporaryDir directory_;
};

// Answers every message box while it lives, recording what each would have shown.
class MessageBoxAnswerer {
public:
    using Answer = std::function<QMessageBox::StandardButton(const ui::MessageBoxRequest&)>;
    explicit MessageBoxAnswerer(QMessageBox::StandardButton answer = QMessageBox::Ok);
    explicit MessageBoxAnswerer(Answer answer);
    ~MessageBoxAnswerer();

    const std::vector<ui::MessageBoxRequest>& requests() const { return requests_; }

private:
    std::vector<ui::MessageBoxRequest> requests_;
};

// A clock the test sets; jobs read it from their threads.
class FakeClock final : public Clock {
public:
    explicit FakeClock(int hour = 12, int minute = 0, int second = 0);
    LocalDateTime Now() const override;
    void setTimeOfDay(int hour, int minute, int second);

private:
    mutable std::mutex mutex_;
    LocalDateTime now_;
};

// Processes events until the condition holds or the time is up; returns the condition.
bool waitFor(const std::function<bool()>& condition, int timeoutMs = 5000);

// Runs the dialog's own modal loop until the condition holds while it is open (then closes it)
// or the time is up. Returns whether the condition held while the dialog was open.
bool execUntil(QDialog& dialog, const std::function<bool()>& condition, int timeoutMs = 10000);

} // namespace kolvane::testing
