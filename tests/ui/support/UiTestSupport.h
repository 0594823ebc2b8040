#pragma once

#include "ui/MessageBoxes.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

namespace kolvane::testing {

// The main window's hourly request goes here in tests: a local port where nothing listens.
inline constexpr const char* kLocalHomePage = "http://127.0.0.1:9";

inline void WriteFile(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(content);
}

inline QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A temporary directory of the test's own, holding its defaultSet.ini; removed afterwards.
struct UiSandbox : QTemporaryDir {
    QString settingsFile() const { return filePath(QStringLiteral("defaultSet.ini")); }
    std::string settingsPath() const { return settingsFile().toStdString(); }
    void writeSettings(const QByteArray& content) const { WriteFile(settingsFile(), content); }
    QByteArray readSettings() const { return ReadFile(settingsFile()); }
};

// Answers every message box while it lives, recording what each would have shown.
struct MessageBoxAnswerer {
    using Answer = std::function<QMessageBox::StandardButton(const ui::MessageBoxRequest&)>;
    explicit MessageBoxAnswerer(Answer answer = [](auto&) { return QMessageBox::Ok; }) {
        ui::SetMessageBoxResponder([this, answer](const ui::MessageBoxRequest& request) {
            requests.push_back(request);
            return answer(request);
        });
    }
    ~MessageBoxAnswerer() { ui::SetMessageBoxResponder({}); }

    std::vector<ui::MessageBoxRequest> requests;
};

// Runs `act` on the modal dialog of type Dialog as soon as it is shown, then closes the dialog if
// `act` left it open, so a failed check inside `act` cannot leave the test waiting forever. Gives
// up after five seconds without such a dialog, or when `scope` goes.
template <typename Dialog, typename Act> void WhenModalOpens(Act act, QObject* scope = qApp) {
    auto* poll = new QTimer(scope);
    poll->setInterval(5);
    const QDeadlineTimer deadline(5000);
    QObject::connect(poll, &QTimer::timeout, qApp, [poll, act, deadline] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (!dialog && !deadline.hasExpired())
            return;
        poll->stop();
        poll->deleteLater();
        if (!dialog)
            return;
        act(dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
    poll->start();
}

} // namespace kolvane::testing
