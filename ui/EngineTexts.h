#pragma once
// The engine's texts as the window shows them: templates looked up in the
// translations (context "Engine"), their values filled in, translated too
// where they are texts of the engine. A text set without its EngineText
// is shown as the engine wrote it, in English.

#include "EngineText.h"
#include "SessionReport.h"

#include <QString>
#include <QStringList>

QString inLanguage(const EngineText& text);
QString summaryOf(const SessionReport& report);
QString textOf(const Finding& finding);
// The texts of the warnings and errors, and of the notes, in order.
QStringList detailsOf(const SessionReport& report);
QStringList notesOf(const SessionReport& report);
