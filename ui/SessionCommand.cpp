#include "SessionCommand.h"

#include "CorrectionSession.h"

SessionCommand::SessionCommand(const QString& text, CorrectionSession& session)
    : QUndoCommand(text), session_(session)
{
}

void SessionCommand::undo()
{
    session_.undo();
    done_ = false;
}

void SessionCommand::redo()
{
    if (done_)
        return;
    session_.redo();
    done_ = true;
}
