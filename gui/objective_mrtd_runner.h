#pragma once

#include "measurement/model_observer.h"

#include <QObject>

#include <atomic>
#include <memory>

class QProgressDialog;
class QThread;
class QWidget;

// Runs the model observer for one camera slot away from the window's thread, on a copy of the bench
// taken when it starts, so the live image goes on meanwhile. A progress dialog that does not block
// the window shows the runs done and cancels the measurement.
class ObjectiveMrtdRunner : public QObject {
    Q_OBJECT
public:
    explicit ObjectiveMrtdRunner(QWidget* window);
    ~ObjectiveMrtdRunner() override;

    // Starts a measurement of the bench as it stands; a running one is cancelled first. The settings
    // default to the human observer at the laboratory screen's defaults (automatic level and
    // contrast, magnifier 1); the window passes its own (shownObserverSettings).
    void start(const BenchState& bench, int cameraSlot, const ObserverSettings& settings = {});
    // Stops a running measurement and waits until its threads have ended; nothing is reported.
    void cancel();
    bool running() const { return thread_ != nullptr; }
    int cameraSlot() const { return cameraSlot_; }
    QProgressDialog* progressDialog() const { return dialog_; }

signals:
    void progressed(int done, int total);
    // A measurement that ran to its end, on the window's thread.
    void finished(int cameraSlot, const ObjectiveMrtd& result);

private:
    void threadEnded();

    QProgressDialog* dialog_ = nullptr;
    std::unique_ptr<QThread> thread_;
    std::atomic<bool> cancel_{false};
    ObjectiveMrtd result_;
    int cameraSlot_ = 0;
    int run_ = 0; // counts starts and cancels: late signals of an earlier run are dropped
};
