#pragma once
// A text the engine tells its user, kept as its English template and the
// values filled into it, so that a front end can say it in the user's
// language: the window looks the template up in its translations (context
// "Engine") and fills in the values, themselves such texts or plain words;
// the command-line tool and the reports show english().
//
// Templates are marked QT_TRANSLATE_NOOP("Engine", "...") where they are
// written, for lupdate, which reads the macro's name in the source; the
// engine links no Qt, and without Qt's the macro is the text itself.

#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(context, text) text
#endif

#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct EngineText
{
    // The template with %1 to %9 where values go, or plain words.
    std::string text;
    std::vector<EngineText> values;
    // Whether text is a marked template to look up; plain words (a file
    // name, a number, a value of the file) are shown as they are.
    bool translatable = false;

    EngineText() = default;
    // Plain words.
    EngineText(std::string words) : text(std::move(words)) {}
    EngineText(const char* words) : text(words) {}

    // A marked template and its values, each plain words or another text.
    template <typename... Values>
    static EngineText of(const char* marked, Values&&... values)
    {
        EngineText t(marked);
        t.translatable = true;
        (t.values.emplace_back(std::forward<Values>(values)), ...);
        return t;
    }
    // Texts put together without words of their own ("%1; %2").
    template <typename... Values>
    static EngineText joined(const char* pattern, Values&&... values)
    {
        EngineText t = of(pattern, std::forward<Values>(values)...);
        t.translatable = false;
        return t;
    }

    bool empty() const { return text.empty() && values.empty(); }
    void clear() { *this = EngineText(); }
    std::string english() const;
};

// pattern with each %1 to %9 replaced by the value of that number, in one
// pass: a value that holds "%2" stays as it is. A number without a value
// stays too.
std::string fillIn(std::string_view pattern, const std::vector<std::string>& values);
