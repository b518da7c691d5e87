#pragma once
// One undoable change of the correction session: the state before and the
// state after it. The change itself has already happened when the command
// is pushed, so the first redo does nothing; afterwards undo and redo put
// the session back into one of the two states and let the window refresh.

#include "CorrectionSession.h"

#include <QUndoCommand>

#include <functional>

class SessionCommand : public QUndoCommand
{
public:
    using Refresh = std::function<void()>;

    SessionCommand(const QString& text, CorrectionSession& session, SessionState before, SessionState after,
                   Refresh refresh);

    void undo() override;
    void redo() override;

private:
    CorrectionSession& session_;
    SessionState before_;
    SessionState after_;
    Refresh refresh_;
    bool done_ = true;
};
