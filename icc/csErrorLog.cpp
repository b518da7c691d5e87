#include "csErrorLog.h"

#include <cstdio>
#include <cstdlib>

namespace {

const char* const badEntryText = "internal error: bad entry requested!";

// The store's last byte is never written, so the limit is one short of its end.
struct LogStorage
{
    char text[csErrorLog::textCapacity];
    char* position = text;
    int levels[csErrorLog::entryCapacity];
    const char* titles[csErrorLog::entryCapacity];
    const char* details[csErrorLog::entryCapacity];
    uint32_t count = 0;
    uint32_t errors = 0;

    char* limit() { return text + csErrorLog::textCapacity - 1; }
};

LogStorage storage;

// 181 bytes: newline, rule, title line, rule.
const char banner[] =
    "\n"
    "===========================================================\n"
    "E R R O R   L O G   F U L L   -   D U M P   A N D   E X I T\n"
    "===========================================================\n";

} // namespace

bool csErrorLog::store(int level, const char* title, const char* format, va_list args,
                       bool truncate)
{
    char* const titleAt = storage.position;
    const std::size_t space = static_cast<std::size_t>(storage.limit() - titleAt);
    if (space < 2)
        return false;

    // A truncated entry keeps a short title so that the details get most of the room.
    const std::size_t titleSpace = truncate && space > 256 ? 256 : space;
    int titleLength = std::snprintf(titleAt, titleSpace, "%s", title ? title : "");
    if (titleLength < 0)
        return false;
    if (static_cast<std::size_t>(titleLength) >= titleSpace) {
        if (!truncate)
            return false;
        titleLength = static_cast<int>(titleSpace - 1);
    }

    char* const detailsAt = titleAt + titleLength + 1;
    const std::size_t detailsSpace = space - static_cast<std::size_t>(titleLength) - 1;
    int detailsLength = std::vsnprintf(detailsAt, detailsSpace, format ? format : "", args);
    if (detailsLength < 0)
        return false;
    if (static_cast<std::size_t>(detailsLength) >= detailsSpace) {
        if (!truncate || detailsSpace == 0)
            return false;
        detailsLength = static_cast<int>(detailsSpace - 1);
    }

    const uint32_t index = storage.count;
    storage.titles[index] = titleAt;
    storage.details[index] = detailsAt;
    storage.levels[index] = level;
    storage.position = detailsAt + detailsLength + 1;
    ++storage.count;
    return true;
}

void csErrorLog::addv(int level, const char* title, const char* format, va_list args)
{
    if (level >= Error)
        ++storage.errors;
    va_list retry;
    va_copy(retry, args);
    if (!store(level, title, format, args, false)) {
        // The text store is full: show what it holds, then keep this entry in a
        // fresh log, shortened only if it alone is larger than the whole store.
        dump();
        emptyStore();
        store(level, title, format, retry, true);
    }
    va_end(retry);

    if (storage.count >= entryCapacity) {
        dump();
        emptyStore();
    }
}

void csErrorLog::add(int level, const char* title, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    addv(level, title, format, args);
    va_end(args);
}

#define CS_LOG_LEVEL_FUNCTION(name, level)                           \
    void csErrorLog::name(const char* title, const char* format, ...) \
    {                                                                 \
        va_list args;                                                 \
        va_start(args, format);                                       \
        addv(level, title, format, args);                             \
        va_end(args);                                                 \
    }

CS_LOG_LEVEL_FUNCTION(debug, Debug)
CS_LOG_LEVEL_FUNCTION(info, Info)
CS_LOG_LEVEL_FUNCTION(warning, Warning)
CS_LOG_LEVEL_FUNCTION(error, Error)
CS_LOG_LEVEL_FUNCTION(fatal, Fatal)

#undef CS_LOG_LEVEL_FUNCTION

void csErrorLog::clear()
{
    emptyStore();
    storage.errors = 0;
}

void csErrorLog::emptyStore()
{
    storage.count = 0;
    storage.position = storage.text;
}

uint32_t csErrorLog::count()
{
    return storage.count;
}

uint32_t csErrorLog::errorCount()
{
    return storage.errors;
}

uint32_t csErrorLog::lastIndex()
{
    return storage.count == 0 ? 0 : storage.count - 1;
}

int csErrorLog::levelOf(uint32_t index)
{
    return index < storage.count ? storage.levels[index] : 0;
}

const char* csErrorLog::titleOf(uint32_t index)
{
    return index < storage.count ? storage.titles[index] : badEntryText;
}

const char* csErrorLog::detailsOf(uint32_t index)
{
    return index < storage.count ? storage.details[index] : badEntryText;
}

char csErrorLog::levelLetter(int level)
{
    return level >= Debug && level <= Fatal ? "DIWEF"[level] : '?';
}

void csErrorLog::printEntry(uint32_t index)
{
    if (index >= storage.count)
        return;
    std::fprintf(stderr, "%c '%s'\n%s\n", levelLetter(storage.levels[index]),
                 storage.titles[index], storage.details[index]);
}

void csErrorLog::printAll()
{
    for (uint32_t i = 0; i < storage.count; ++i)
        printEntry(i);
}

void csErrorLog::dump()
{
    std::fputs(banner, stderr);
    printAll();
    std::fflush(stderr);
}

void csErrorLog::dumpAndExit()
{
    dump();
    std::exit(1);
}
