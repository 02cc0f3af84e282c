#include "gui/camera_switcher.h"

CameraSwitcher::~CameraSwitcher() {
    if (thread_)
        thread_->wait();
}

void CameraSwitcher::start(std::unique_ptr<CameraSwitch> prepared) {
    pendingSlot_ = prepared->index;
    ready_.reset();
    if (thread_) {
        next_ = std::move(prepared);
        return;
    }
    building_ = std::move(prepared);
    thread_.reset(QThread::create([job = building_.get()] { job->prepare(); }));
    connect(thread_.get(), &QThread::finished, this, &CameraSwitcher::built, Qt::QueuedConnection);
    thread_->start();
}

void CameraSwitcher::built() {
    thread_->wait();
    thread_.reset();
    if (next_) {
        building_.reset();
        start(std::move(next_));
        return;
    }
    ready_ = std::move(building_);
    emit ready();
}

std::unique_ptr<CameraSwitch> CameraSwitcher::takeReady() {
    pendingSlot_ = -1;
    return std::move(ready_);
}
