#pragma once
// The window in German for the length of a test: the program's translation
// from the build's Resources/translations and the toolkit's own; English
// again when the scope ends, so that no other test sees German.

#include "OrvFramework.h"

#include <QLocale>
#include <QString>

class GermanTranslation
{
public:
    GermanTranslation()
        : installed_(framework::installTranslations(QLocale(QLocale::German, QLocale::Germany),
                                                    QStringLiteral(VESTREL_TRANSLATIONS_DIR)))
    {
    }
    ~GermanTranslation() { framework::installTranslations(QLocale(QLocale::English)); }
    GermanTranslation(const GermanTranslation&) = delete;
    GermanTranslation& operator=(const GermanTranslation&) = delete;

    bool installed() const { return installed_; }

private:
    bool installed_;
};
