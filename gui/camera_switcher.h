#pragma once

#include "console/bench.h"

#include <QObject>
#include <QThread>

#include <memory>

// Builds a new camera away from the window's thread (Bench::cameraSwitch: the camera file read, its
// kernels, tables and first image made on a copy of the bench) and hands it back on the window's
// thread, which takes it in at a frame boundary; the old camera's image keeps its rate meanwhile. A
// switch asked for while one is being built follows it, and the one built first is dropped.
class CameraSwitcher : public QObject {
    Q_OBJECT
public:
    explicit CameraSwitcher(QObject* parent) : QObject(parent) {}
    // Waits for a switch being built: it holds nothing of the window's, but must not outlive it.
    ~CameraSwitcher() override;

    // A switch made on the window's thread, built from here on.
    void start(std::unique_ptr<CameraSwitch> prepared);
    // The slot of the switch asked for last and not yet taken in, or -1.
    int pendingSlot() const { return pendingSlot_; }
    // The built switch, once ready() was signalled; the window takes it in and so ends the switch.
    std::unique_ptr<CameraSwitch> takeReady();
    bool hasReady() const { return ready_ != nullptr; }

signals:
    void ready();

private:
    void built();

    std::unique_ptr<QThread> thread_;
    std::unique_ptr<CameraSwitch> building_, next_, ready_;
    int pendingSlot_ = -1;
};
