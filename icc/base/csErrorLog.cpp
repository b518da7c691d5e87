#include "csErrorLog.h"

#include <cstdio>
#include <cstring>

namespace {

const char* const badEntryText = "internal error: bad entry requested!";

// An entry is its title and details, each ending in a zero, one after the
// other in text. Entries are numbered as they are added (serials), stored
// or not, so that a mark still finds its place after room was made.
// The store's last byte is never written, so the limit is one short of its end.
struct LogStorage
{
    char text[csErrorLog::textCapacity];
    char* position = text;
    int levels[csErrorLog::entryCapacity];
    const char* titles[csErrorLog::entryCapacity];
    const char* details[csErrorLog::entryCapacity];
    uint32_t sizes[csErrorLog::entryCapacity];
    uint32_t serials[csErrorLog::entryCapacity];
    uint32_t repeats[csErrorLog::entryCapacity];
    bool leaving[csErrorLog::entryCapacity];
    uint32_t count = 0;
    uint32_t errors = 0;
    uint32_t dropped = 0;
    // Serial of the next entry added, and the first that may fold into a run.
    uint32_t added = 0;
    uint32_t runStart = 0;

    char* limit() { return text + csErrorLog::textCapacity - 1; }
    std::size_t space() { return static_cast<std::size_t>(limit() - position); }
};

LogStorage storage;

// 2995 as "2,995"; buffer holds at least 16 characters.
void groupDigits(uint32_t value, char* buffer)
{
    char digits[16];
    const int length = std::snprintf(digits, sizeof digits, "%u", value);
    int out = 0;
    for (int i = 0; i < length; ++i) {
        if (i > 0 && (length - i) % 3 == 0)
            buffer[out++] = ',';
        buffer[out++] = digits[i];
    }
    buffer[out] = '\0';
}

} // namespace

// The new entry repeats the last repeatsKept stored ones of its kind
// (traces, or warnings and worse), all since the last mark: it is only
// counted. Entries of the other kind in between are passed over, as a
// tag's trace comes between the warnings of one tag and the next.
bool csErrorLog::foldRepeat(int level, const char* title)
{
    // Far enough for a few traces between warnings; bounds the cost of an add.
    constexpr uint32_t lookBack = 64;
    const bool trace = level <= Info;
    const char* const name = title ? title : "";
    uint32_t found = 0, lastLike = 0;
    for (uint32_t back = 0; back < lookBack && back < storage.count && found < repeatsKept; ++back) {
        const uint32_t i = storage.count - 1 - back;
        if (storage.serials[i] < storage.runStart)
            return false;
        if ((storage.levels[i] <= Info) != trace)
            continue;
        if (storage.levels[i] != level || std::strcmp(storage.titles[i], name) != 0)
            return false;
        if (found++ == 0)
            lastLike = i;
    }
    if (found < repeatsKept)
        return false;
    ++storage.repeats[lastLike];
    return true;
}

// Removes entries until bytes of text and one slot are free: traces first,
// oldest first, then the oldest of the rest. False when even an empty store
// is too small.
bool csErrorLog::makeRoom(std::size_t bytes)
{
    if (bytes > static_cast<std::size_t>(storage.limit() - storage.text))
        return false;
    std::size_t freeBytes = storage.space();
    uint32_t freeSlots = entryCapacity - storage.count;
    if (freeBytes >= bytes && freeSlots > 0)
        return true;
    for (uint32_t i = 0; i < storage.count; ++i)
        storage.leaving[i] = false;
    for (int pass = 0; pass < 2 && (freeBytes < bytes || freeSlots == 0); ++pass) {
        for (uint32_t i = 0; i < storage.count && (freeBytes < bytes || freeSlots == 0); ++i) {
            if (storage.leaving[i] || (pass == 0 && storage.levels[i] > Info))
                continue;
            storage.leaving[i] = true;
            freeBytes += storage.sizes[i];
            ++freeSlots;
        }
    }
    // Kept entries move down in order, so each move is to a place already read.
    char* write = storage.text;
    uint32_t kept = 0;
    for (uint32_t i = 0; i < storage.count; ++i) {
        if (storage.leaving[i]) {
            ++storage.dropped;
            continue;
        }
        const std::size_t detailsOffset = static_cast<std::size_t>(storage.details[i] - storage.titles[i]);
        std::memmove(write, storage.titles[i], storage.sizes[i]);
        storage.titles[kept] = write;
        storage.details[kept] = write + detailsOffset;
        storage.levels[kept] = storage.levels[i];
        storage.sizes[kept] = storage.sizes[i];
        storage.serials[kept] = storage.serials[i];
        storage.repeats[kept] = storage.repeats[i];
        write += storage.sizes[i];
        ++kept;
    }
    storage.count = kept;
    storage.position = write;
    return true;
}

bool csErrorLog::store(int level, const char* title, const char* format, va_list args, bool truncate)
{
    char* const titleAt = storage.position;
    const std::size_t space = storage.space();
    if (space < 2 || storage.count >= entryCapacity)
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
    storage.sizes[index] = static_cast<uint32_t>(storage.position - titleAt);
    storage.serials[index] = storage.added;
    storage.repeats[index] = 0;
    ++storage.count;
    return true;
}

void csErrorLog::addv(int level, const char* title, const char* format, va_list args)
{
    if (level >= Error)
        ++storage.errors;
    if (!foldRepeat(level, title)) {
        va_list measure;
        va_copy(measure, args);
        const int detailsLength = std::vsnprintf(nullptr, 0, format ? format : "", measure);
        va_end(measure);
        const std::size_t bytes = std::strlen(title ? title : "") + 1 +
                                  static_cast<std::size_t>(detailsLength < 0 ? 0 : detailsLength) + 1;
        if (makeRoom(bytes)) {
            store(level, title, format, args, false);
        } else {
            // Larger than the whole store: it alone stays, shortened.
            storage.dropped += storage.count;
            emptyStore();
            store(level, title, format, args, true);
        }
    }
    ++storage.added;
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
    storage.dropped = 0;
    storage.added = 0;
    storage.runStart = 0;
}

void csErrorLog::emptyStore()
{
    storage.count = 0;
    storage.position = storage.text;
}

uint32_t csErrorLog::mark()
{
    storage.runStart = storage.added;
    return storage.added;
}

uint32_t csErrorLog::firstSince(uint32_t mark)
{
    uint32_t low = 0, high = storage.count;
    while (low < high) {
        const uint32_t middle = low + (high - low) / 2;
        if (storage.serials[middle] < mark)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

uint32_t csErrorLog::count()
{
    return storage.count;
}

uint32_t csErrorLog::errorCount()
{
    return storage.errors;
}

uint32_t csErrorLog::dropped()
{
    return storage.dropped;
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

uint32_t csErrorLog::repeatsOf(uint32_t index)
{
    return index < storage.count ? storage.repeats[index] : 0;
}

bool csErrorLog::describeRepeats(uint32_t index, char* buffer, std::size_t size)
{
    if (size == 0)
        return false;
    buffer[0] = '\0';
    const uint32_t repeats = repeatsOf(index);
    if (repeats == 0)
        return false;
    char number[16];
    groupDigits(repeats, number);
    std::snprintf(buffer, size, "... and %s more like this", number);
    return true;
}

char csErrorLog::levelLetter(int level)
{
    return level >= Debug && level <= Fatal ? "DIWEF"[level] : '?';
}

void csErrorLog::printEntry(uint32_t index)
{
    if (index >= storage.count)
        return;
    std::fprintf(stderr, "%c '%s'\n%s\n", levelLetter(storage.levels[index]), storage.titles[index],
                 storage.details[index]);
    char repeats[64];
    if (describeRepeats(index, repeats, sizeof repeats))
        std::fprintf(stderr, "%s\n", repeats);
}

void csErrorLog::printAll()
{
    if (storage.dropped > 0) {
        char number[16];
        groupDigits(storage.dropped, number);
        std::fprintf(stderr, "... %s earlier entries dropped to make room\n", number);
    }
    for (uint32_t i = 0; i < storage.count; ++i)
        printEntry(i);
}
