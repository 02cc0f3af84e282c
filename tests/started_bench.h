#pragma once

#include "console/bench_state.h"
#include "console/control_ids.h"
#include "console/startup.h"
#include "gui/main_console.h"
#include "gui/session_panel.h"
#include "text/messages.h"

#include <QtTest>
#include <QtWidgets>

#include <memory>
#include <string>

// A working folder with the shipped cameras, the standard target and the atmosphere, current for
// the test's length, with its own data folder so that no test restores another's session.
class BenchFolder {
public:
    BenchFolder() : previous_(QDir::currentPath()) {
        const QDir shipped(QStringLiteral(TERVIX_SHIPPED_DATA_DIR));
        for (const QString& name :
             shipped.entryList({QStringLiteral("*.par"), QStringLiteral("Atmosphere.ini"), QStringLiteral("mira.tag")}))
            QFile::copy(shipped.filePath(name), dir_.filePath(name));
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

    explicit StartedBench(const BenchFolder& folder) : StartedBench(folder.program()) {}
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
    SessionPanel& session() const { return *console->session(); }
    // A press as a person makes it, who waits for a camera chosen to be shown.
    void press(int id) const {
        control<QAbstractButton>(id)->click();
        QTRY_VERIFY_WITH_TIMEOUT(!console->cameraSwitchPending(), 20000);
    }
    void slide(int position) const { control<QSlider>(controlId::temperatureSlider)->setValue(position); }
    // A result half: the trackbar at `position`, then the button.
    void record(int position, int button = controlId::applyButton) const {
        slide(position);
        press(button);
    }
    QString row(int slot, int row) const {
        return control<QListWidget>(controlId::resultLists[static_cast<std::size_t>(slot)])->item(row)->text();
    }
};

// A started bench in a bench folder of its own.
struct RunningBench : BenchFolder, StartedBench {
    RunningBench() : StartedBench(program()) {}
};

// The bright stretches along an image's middle row: the bars a view shows across it.
inline int brightRunsAcross(const QImage& image) {
    int runs = 0;
    for (int x = 0, y = image.height() / 2; x < image.width(); ++x)
        runs += qGray(image.pixel(x, y)) > 128 && (x == 0 || qGray(image.pixel(x - 1, y)) <= 128);
    return runs;
}
