#include "gui/bench_app.h"

#include "console/startup.h"
#include "gui/main_console.h"

#include <QMessageBox>

using namespace Qt::StringLiterals;

void MessageBoxSink::message(const std::string& text) {
    QMessageBox box(QMessageBox::Information, u"Tervix"_s, QString::fromStdString(text), QMessageBox::Ok);
    box.exec();
}

BenchApp::BenchApp(MessageSink& messages) : messages_(messages) {
    constructApplication(state_, messages_);
}

bool BenchApp::InitInstance(const QString& programPath) {
    if (!startApplication(state_, programPath.toStdString(), messages_))
        return false;
    MainConsole console(state_, messages_);
    console.exec();
    return true;
}

void BenchApp::ExitInstance() {
    state_.sim.releaseImages();
}
