#include "SessionCommand.h"

SessionCommand::SessionCommand(const QString& text, CorrectionSession& session, SessionState before,
                               SessionState after, Refresh refresh)
    : QUndoCommand(text), session_(session), before_(std::move(before)), after_(std::move(after)),
      refresh_(std::move(refresh))
{
}

void SessionCommand::undo()
{
    session_.restore(before_);
    done_ = false;
    refresh_();
}

void SessionCommand::redo()
{
    if (done_)
        return;
    session_.restore(after_);
    done_ = true;
    refresh_();
}
