#pragma once

#include "measurement/model_observer.h"
#include "measurement/objective_run_of.h"

#include <QObject>

#include <atomic>
#include <memory>

class QProgressDialog;
class QThread;
class QWidget;

// Runs the model observer for the bench's camera slot away from the window's thread, on a copy of
// the bench taken when it starts, so the live image goes on meanwhile. A progress dialog that does
// not block the window shows the runs done and cancels the measurement. A run that ends is handed to
// the bench, which records it in the session with what it ran on (the camera file, read and hashed
// at the start, the image model and the settings).
class ObjectiveMrtdRunner : public QObject {
    Q_OBJECT
public:
    ObjectiveMrtdRunner(QWidget* window, Bench& bench);
    ~ObjectiveMrtdRunner() override;

    // Starts a measurement of the bench as it stands; a running one is cancelled first. The settings
    // default to the human observer at the laboratory screen's defaults (automatic level and
    // contrast, magnifier 1); the window passes its own (shownObserverSettings).
    void start(const ObserverSettings& settings = {});
    // Stops a running measurement and waits until its threads have ended; nothing is reported.
    void cancel();
    bool running() const { return thread_ != nullptr; }
    QProgressDialog* progressDialog() const { return dialog_; }

signals:
    void progressed(int done, int total);
    // A measurement that ran to its end, on the window's thread, after the bench recorded it.
    void finished();

private:
    void threadEnded();

    Bench& bench_;
    QProgressDialog* dialog_ = nullptr;
    std::unique_ptr<QThread> thread_;
    std::atomic<bool> cancel_{false};
    ObjectiveMrtd result_;
    ObserverSettings settings_;
    ObjectiveRunSource source_;
    int run_ = 0; // counts starts and cancels: late signals of an earlier run are dropped
};
