#pragma once

#include <cstddef>

// What the bench tells the views that show its session: each change once, as it happens, so that a
// view derives what it shows from the session instead of being told by whoever made the change.
// The indices are into the session's readings and objective runs.
class BenchListener {
public:
    virtual ~BenchListener() = default;
    // A reading was appended at this index (its file written or not: it is kept either way).
    virtual void readingRecorded(std::size_t index) = 0;
    // The reading at this index was struck out.
    virtual void readingStruck(std::size_t index) = 0;
    // The model observer's run was appended at this index.
    virtual void objectiveRunAdded(std::size_t index) = 0;
    // Anything else the views derive from: the observer, the bar orientation, blind mode, or a whole
    // other session. A view derives everything again.
    virtual void stateChanged() = 0;
};
