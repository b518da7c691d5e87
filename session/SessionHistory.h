#pragma once
// The undo history of a correction session: every change made through the
// session is one step, held as the session's state before and after it.
// Undoing puts the state before back, redoing the state after; a new step
// drops the steps undone.

#include "SessionState.h"

#include <cstddef>
#include <deque>

// What a step changed, for the front ends to name it in their language.
enum class Change {
    LoadReference,
    LoadMeasurement,
    AddMeasurement,
    PairAgain,
    Correction,
    RoundTrip,
    PatchValues,
    PutBack,
    Details,
    Revert,
    Clear,
};

class SessionHistory
{
public:
    struct Step
    {
        Change change;
        SessionState before;
        SessionState after;
    };

    // Steps kept; the oldest go first.
    static constexpr std::size_t limit = 30;

    void clear();
    void push(Change change, SessionState before, SessionState after);
    bool canUndo() const { return done_ > 0; }
    bool canRedo() const { return done_ < steps_.size(); }
    // The step to undo or redo, which then counts as undone or done; null
    // when there is none.
    const Step* undo();
    const Step* redo();
    // Steps done (undoable), and all steps held.
    std::size_t done() const { return done_; }
    std::size_t size() const { return steps_.size(); }

private:
    std::deque<Step> steps_;
    std::size_t done_ = 0;
};
