#pragma once
// The window's undo entry for one step of the session's history. The
// session has made the change and recorded it before the command is
// pushed, so the first redo does nothing; afterwards undo and redo ask
// the session, which tells the window what to refresh.

#include <QUndoCommand>

class CorrectionSession;

class SessionCommand : public QUndoCommand
{
public:
    SessionCommand(const QString& text, CorrectionSession& session);

    void undo() override;
    void redo() override;

private:
    CorrectionSession& session_;
    bool done_ = true;
};
