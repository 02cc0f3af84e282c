#pragma once

#include "console/bench_listener.h"

#include <QObject>

class Bench;

// The bench's changes as Qt signals, for the window's views to connect to: each view derives what it
// shows from the session when told, and no one fans changes out by hand. Listens for as long as it
// lives.
class BenchSignals : public QObject {
    Q_OBJECT
public:
    explicit BenchSignals(Bench& bench, QObject* parent = nullptr);
    ~BenchSignals() override;
    const Bench& bench() const { return bench_; }

signals:
    void readingRecorded(int index);
    void readingStruck(int index);
    void objectiveRunAdded(int index);
    void stateChanged();

private:
    // The bench's listener, turning each call into its signal.
    struct Relay : BenchListener {
        BenchSignals& to;
        explicit Relay(BenchSignals& owner) : to(owner) {}
        void readingRecorded(std::size_t index) override { emit to.readingRecorded(static_cast<int>(index)); }
        void readingStruck(std::size_t index) override { emit to.readingStruck(static_cast<int>(index)); }
        void objectiveRunAdded(std::size_t index) override { emit to.objectiveRunAdded(static_cast<int>(index)); }
        void stateChanged() override { emit to.stateChanged(); }
    };

    Bench& bench_;
    Relay relay_{*this};
};
