#pragma once

#include <QApplication>

namespace kolvane::ui {

// The program's application object. Every event goes through notify, so an error that escapes a
// command, a timer tick or a queued call ends there: it is shown in the general error box and the
// event loop goes on. No C++ exception leaves notify into Qt's event dispatch.
class KolvaneApplication : public QApplication {
    Q_OBJECT
public:
    KolvaneApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace kolvane::ui
