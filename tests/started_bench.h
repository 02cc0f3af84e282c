#pragma once

#include "console/bench_state.h"
#include "console/control_ids.h"
#include "console/startup.h"
#include "gui/main_console.h"
#include "text/messages.h"

#include <QtTest>
#include <QtWidgets>

#include <memory>
#include <string>

// A working folder with the shipped cameras, the standard target and the atmosphere, current for
// the test's length, with its own data folder so that no test restores another's session.
class BenchFolder {
public:
    explicit BenchFolder(bool withStandardTarget = true, bool withCameras = true) : previous_(QDir::currentPath()) {
        QStringList names{QStringLiteral("Atmosphere.ini")};
        if (withStandardTarget)
            names << QStringLiteral("mira.tag");
        for (int k = 1; withCameras && k <= 5; ++k)
            names << QStringLiteral("camera%1.par").arg(k);
        for (const QString& name : names)
            QFile::copy(QStringLiteral(TERVIX_SHIPPED_DATA_DIR) + u'/' + name, dir_.filePath(name));
        QDir::setCurrent(dir_.path());
        previousData_ = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", dir_.filePath(QStringLiteral("data")).toLocal8Bit());
        // File dialogs start in the last folder used: this one, so that tables are proposed here.
        QSettings(QStringLiteral("Tervix"), QStringLiteral("Tervix"))
            .setValue(QStringLiteral("dialogs/lastFolder"), dir_.path());
    }
    ~BenchFolder() {
        QDir::setCurrent(previous_);
        qputenv("XDG_DATA_HOME", previousData_);
    }
    QString path(const QString& name) const { return dir_.filePath(name); }
    std::string program() const { return dir_.filePath(QStringLiteral("tervix")).toStdString(); }

private:
    QTemporaryDir dir_;
    QString previous_;
    QByteArray previousData_;
};

// A started bench window, as the program starts one: the start sequence from the program's path,
// the console shown and its deferred start run.
struct StartedBench {
    BenchState state;
    MessageLog log;
    std::unique_ptr<MainConsole> console;

    explicit StartedBench(const std::string& program) {
        constructApplication(state, log);
        if (!startApplication(state, program, log))
            return;
        console = std::make_unique<MainConsole>(state, log);
        console->show();
        QTRY_VERIFY_WITH_TIMEOUT(console->noiseOn(), 10000);
    }
    template <class W>
    W* control(int id) const {
        return console->findChild<W*>(QString::number(id));
    }
    void press(int id) const { control<QAbstractButton>(id)->click(); }
    void slide(int position) const { control<QSlider>(controlId::temperatureSlider)->setValue(position); }
};

// A started bench in a bench folder of its own.
struct RunningBench : BenchFolder, StartedBench {
    RunningBench() : StartedBench(program()) {}
};
