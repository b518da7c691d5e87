#pragma once
// A main window whose dialogs the test answers and records instead of
// showing them: widget tests would otherwise wait on a modal box.

#include "mainwindow.h"

#include <QStringList>

#include <string>
#include <vector>

class ScriptedWindow : public MainWindow
{
public:
    // Each report dialog: its summary, then its lines.
    QStringList dialogs;
    // Each question asked about replacing a file or correcting anyway.
    QStringList questions;

    UnsavedAnswer unsavedAnswer = UnsavedAnswer::Cancel;
    int unsavedAsked = 0;
    // What the save dialog returns, and the filter chosen in it.
    QString savePath;
    int saveFilter = 0;
    bool replace = false;
    bool correctAnyway = false;
    // The file chosen as the reference (-1: none), and those offered.
    int referenceChoice = -1;
    QStringList referenceCandidates;
    // What the printer profile dialog of a device link returns, and how often it was asked.
    QString printerProfile;
    int printerAsked = 0;

protected:
    void showDetails(const QString&, const QString& summary, const std::vector<std::string>& details) override
    {
        QString text = summary;
        for (const std::string& line : details)
            text += QLatin1Char('\n') + QString::fromStdString(line);
        dialogs << text;
    }
    UnsavedAnswer askSaveChanges() override
    {
        ++unsavedAsked;
        return unsavedAnswer;
    }
    QString askSavePath(const QString&, const QString&, const QStringList&, const QStringList&, int& chosen) override
    {
        chosen = saveFilter;
        return savePath;
    }
    bool askReplace(const QString& question) override
    {
        questions << question;
        return replace;
    }
    bool askCorrectAnyway(const QString& reason) override
    {
        questions << reason;
        return correctAnyway;
    }
    QString askPrinterProfile() override
    {
        ++printerAsked;
        return printerProfile;
    }
    int askWhichIsReference(const QStringList& files) override
    {
        referenceCandidates = files;
        return referenceChoice;
    }
};
