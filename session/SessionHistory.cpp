#include "SessionHistory.h"

void SessionHistory::clear()
{
    steps_.clear();
    done_ = 0;
}

void SessionHistory::push(Change change, SessionState before, SessionState after)
{
    steps_.erase(steps_.begin() + static_cast<std::ptrdiff_t>(done_), steps_.end());
    steps_.push_back({change, std::move(before), std::move(after)});
    if (steps_.size() > limit)
        steps_.pop_front();
    done_ = steps_.size();
}

const SessionHistory::Step* SessionHistory::undo()
{
    return canUndo() ? &steps_[--done_] : nullptr;
}

const SessionHistory::Step* SessionHistory::redo()
{
    return canRedo() ? &steps_[done_++] : nullptr;
}
