#pragma once
// Process-wide diagnostics log of the ICC library.
//
// Library operations that fail, correct their input or leave a trace add an
// entry here and return their own failure code; nothing is thrown or printed.
// Storage is static and fixed, so adding an entry never allocates, and the
// log never prints or ends the process by itself: a desktop session that
// reads profiles all day must not lose a user's work to a diagnostics limit.
//
// An entry that repeats the level and title of the entries of its kind
// (traces, or warnings and worse) just before it is stored only up to
// repeatsKept times in a row; further ones are counted on the last stored
// one (repeatsOf), so a profile with thousands of tags leaves a few
// entries, not thousands. When the store is full, trace
// entries (Debug, Info) make room first, oldest first, then the oldest of
// the rest. Errors are counted as they are added, so whether an operation
// failed never depends on what the store still holds.

#include <cstdarg>
#include <cstddef>
#include <cstdint>

#if defined(__GNUC__)
#define CS_PRINTF_FORMAT(fmt, first) __attribute__((format(printf, fmt, first)))
#else
#define CS_PRINTF_FORMAT(fmt, first)
#endif

class csErrorLog
{
public:
    enum Level { Debug = 0, Info = 1, Warning = 2, Error = 3, Fatal = 4 };

    static constexpr std::size_t textCapacity = 100000;
    static constexpr uint32_t entryCapacity = 5000;
    static constexpr uint32_t repeatsKept = 3;

    static void debug(const char* title, const char* format, ...) CS_PRINTF_FORMAT(2, 3);
    static void info(const char* title, const char* format, ...) CS_PRINTF_FORMAT(2, 3);
    static void warning(const char* title, const char* format, ...) CS_PRINTF_FORMAT(2, 3);
    static void error(const char* title, const char* format, ...) CS_PRINTF_FORMAT(2, 3);
    static void fatal(const char* title, const char* format, ...) CS_PRINTF_FORMAT(2, 3);
    static void add(int level, const char* title, const char* format, ...) CS_PRINTF_FORMAT(3, 4);
    static void addv(int level, const char* title, const char* format, va_list args);

    // Empties the store and resets the error and drop counts.
    static void clear();

    // Where the next entry goes. Entries added from here on never fold into
    // repeats of earlier ones, so what one operation logged stays apart from
    // what came before; firstSince finds them.
    static uint32_t mark();
    // Index of the first stored entry added since mark (count() when none).
    static uint32_t firstSince(uint32_t mark);

    // Entries in the store.
    static uint32_t count();
    // Error and Fatal entries added since clear(), those folded into repeats
    // or dropped for room included; an operation failed when this grew while
    // it ran.
    static uint32_t errorCount();
    // Entries removed from the store to make room since clear().
    static uint32_t dropped();
    // count - 1, and 0 for an empty log as well.
    static uint32_t lastIndex();
    static int levelOf(uint32_t index);
    static const char* titleOf(uint32_t index);
    static const char* detailsOf(uint32_t index);
    // Entries like this one (same level and title) that followed it and
    // were counted here instead of stored.
    static uint32_t repeatsOf(uint32_t index);
    // "... and 2,995 more like this" for an entry's repeats, into buffer;
    // false, and an empty buffer, when it has none.
    static bool describeRepeats(uint32_t index, char* buffer, std::size_t size);
    // 'D', 'I', 'W', 'E' or 'F'; '?' for a level outside 0..4.
    static char levelLetter(int level);

    // To standard error: the level letter and title, the details, and the
    // repeats line when there are any.
    static void printEntry(uint32_t index);
    // Every entry, after a line saying how many were dropped for room.
    static void printAll();

private:
    static void emptyStore();
    static bool foldRepeat(int level, const char* title);
    static bool makeRoom(std::size_t bytes);
    static bool store(int level, const char* title, const char* format, va_list args, bool truncate);
};
