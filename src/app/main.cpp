#include "program/LoginStart.h"
#include "program/SettingsLocation.h"
#include "ui/KolvaneApplication.h"
#include "ui/TerminationSignals.h"
#include "ui/TmainForm.h"
#include "web/HomePage.h"

#include <QLibraryInfo>
#include <QTranslator>

namespace {

// Qt's own Chinese texts, so that standard buttons read 确定 and 取消.
void LoadQtChineseTexts(QTranslator& translator) {
    const QString directory = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (translator.load(QStringLiteral("qtbase_zh_CN"), directory) ||
        translator.load(QStringLiteral("qt_zh_CN"), directory))
        QCoreApplication::installTranslator(&translator);
}

} // namespace

int main(int argc, char* argv[]) {
    kolvane::ui::KolvaneApplication application(argc, argv);
    // Only closing the main window ends the program: a box shown while the window hides in the
    // tray is the last visible window, and closing it must not quit.
    application.setQuitOnLastWindowClosed(false);
    QTranslator qtTexts;
    LoadQtChineseTexts(qtTexts);

    kolvane::ui::TmainForm mainForm(kolvane::program::SettingsFilePath(), kolvane::HomePageAddress);
    application.setWindowIcon(mainForm.windowIcon());
    // A request to end the program from outside closes the main window, as the user would.
    kolvane::ui::TerminationSignals endRequests([&mainForm] { mainForm.close(); });
    std::vector<std::string> arguments;
    for (const QString& argument : QCoreApplication::arguments())
        arguments.push_back(argument.toStdString());
    mainForm.ShowAtStart(kolvane::program::StartedAtLogin(arguments));
    application.exec();
    return 0;
}
