#include "gui/objective_mrtd_runner.h"

#include "drawing/session_report.h"

#include <QDir>
#include <QProgressDialog>
#include <QThread>

using namespace Qt::StringLiterals;

ObjectiveMrtdRunner::ObjectiveMrtdRunner(QWidget* window, Bench& bench) : QObject(window), bench_(bench) {
    dialog_ = new QProgressDialog(u"Objective MRTD"_s, u"Cancel"_s, 0, 1, window);
    dialog_->setObjectName(u"objectiveProgress"_s);
    dialog_->setWindowTitle(u"Objective MRTD"_s);
    // The window stays in use while the observer works.
    dialog_->setWindowModality(Qt::NonModal);
    dialog_->setMinimumDuration(0);
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
    dialog_->reset();
    dialog_->hide();
    connect(dialog_, &QProgressDialog::canceled, this, &ObjectiveMrtdRunner::cancel);
}

ObjectiveMrtdRunner::~ObjectiveMrtdRunner() {
    cancel();
}

void ObjectiveMrtdRunner::start(const ObserverSettings& settings) {
    cancel();
    cancel_ = false;
    settings_ = settings;
    const BenchState& bench = bench_.state();
    const int slot = bench_.cameraIndex();
    // The camera file the bench loaded from the working folder, as it is when the run starts.
    const std::string cameraFile = Bench::cameraFileOf(slot);
    const CameraFileFacts facts = cameraFileFacts(QString::fromStdString(cameraFile), {QDir::currentPath()});
    source_ = {slot + 1, cameraFile, facts.sha256.toStdString(), imageModelName(bench.sim.imageModel)};
    // A run to the camera's limit knows its length as it goes; the progress reports it.
    const int total = static_cast<int>(listedFrequencies(settings).size()) * std::max(1, settings.repeats);
    dialog_->setLabelText(u"Objective MRTD of camera %1"_s.arg(slot + 1));
    dialog_->setRange(0, total);
    dialog_->setValue(0);
    dialog_->show();

    const int run = ++run_;
    thread_.reset(QThread::create([this, bench, settings, run] {
        result_ = measureObjectiveMrtd(
            bench, settings,
            [this, run](int done, int count) {
                // Queued to the window's thread; dropped if the runner is gone or the run is over.
                QMetaObject::invokeMethod(
                    this,
                    [this, done, count, run] {
                        if (run != run_ || !thread_)
                            return;
                        dialog_->setMaximum(count);
                        dialog_->setValue(done);
                        emit progressed(done, count);
                    },
                    Qt::QueuedConnection);
            },
            &cancel_);
    }));
    connect(
        thread_.get(), &QThread::finished, this,
        [this, run] {
            if (run == run_)
                threadEnded();
        },
        Qt::QueuedConnection);
    thread_->start(QThread::LowPriority);
}

void ObjectiveMrtdRunner::cancel() {
    if (!thread_)
        return;
    cancel_ = true;
    ++run_;
    thread_->wait();
    thread_.reset();
    dialog_->reset();
    dialog_->hide();
}

void ObjectiveMrtdRunner::threadEnded() {
    if (!thread_)
        return;
    thread_->wait();
    thread_.reset();
    dialog_->reset();
    dialog_->hide();
    if (result_.cancelled)
        return;
    bench_.recordObjectiveRun(objectiveRunOf(result_, settings_, source_));
    emit finished();
}
