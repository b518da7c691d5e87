#include "EngineTexts.h"

#include <QCoreApplication>

namespace {

QString utf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// english in the user's language when said says the same.
QString inLanguage(const EngineText& said, const std::string& english)
{
    return said.english() == english ? inLanguage(said) : utf8(english);
}

} // namespace

QString inLanguage(const EngineText& text)
{
    const QString pattern =
        text.translatable ? QCoreApplication::translate("Engine", text.text.c_str()) : utf8(text.text);
    if (text.values.empty())
        return pattern;
    std::vector<std::string> values;
    values.reserve(text.values.size());
    for (const EngineText& value : text.values)
        values.push_back(inLanguage(value).toStdString());
    return utf8(fillIn(pattern.toStdString(), values));
}

QString summaryOf(const SessionReport& report)
{
    return inLanguage(report.summaryText, report.summary);
}

QString textOf(const Finding& finding)
{
    return inLanguage(finding.message, finding.text);
}

QStringList detailsOf(const SessionReport& report)
{
    QStringList texts;
    for (const Finding& finding : report.findings)
        if (finding.severity != Severity::Note)
            texts << textOf(finding);
    return texts;
}

QStringList notesOf(const SessionReport& report)
{
    QStringList texts;
    for (const Finding& finding : report.findings)
        if (finding.severity == Severity::Note)
            texts << textOf(finding);
    return texts;
}
