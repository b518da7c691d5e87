#pragma once
// Process-wide diagnostics log of the ICC library.
//
// Library operations that fail, correct their input or leave a trace add an
// entry here and return their own failure code; nothing is thrown or printed.
// Storage is static and fixed, so adding an entry never allocates. When the
// log is full it dumps itself to standard error and starts afresh: a desktop
// session that reads profiles all day must not end because its log filled up.
// Errors are counted as they are added, so whether an operation failed never
// depends on what an overflow left in the store.

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

    static void debug(const char* title, const char* format, ...) CS_PRINTF_FORMAT(2, 3);
    static void info(const char* title, const char* format, ...) CS_PRINTF_FORMAT(2, 3);
    static void warning(const char* title, const char* format, ...) CS_PRINTF_FORMAT(2, 3);
    static void error(const char* title, const char* format, ...) CS_PRINTF_FORMAT(2, 3);
    static void fatal(const char* title, const char* format, ...) CS_PRINTF_FORMAT(2, 3);
    static void add(int level, const char* title, const char* format, ...) CS_PRINTF_FORMAT(3, 4);
    static void addv(int level, const char* title, const char* format, va_list args);

    // Empties the store and resets the error count.
    static void clear();

    // Entries in the store.
    static uint32_t count();
    // Error and Fatal entries added since clear(), those an overflow dumped
    // included; an operation failed when this grew while it ran.
    static uint32_t errorCount();
    // count - 1, and 0 for an empty log as well.
    static uint32_t lastIndex();
    static int levelOf(uint32_t index);
    static const char* titleOf(uint32_t index);
    static const char* detailsOf(uint32_t index);
    // 'D', 'I', 'W', 'E' or 'F'; '?' for a level outside 0..4.
    static char levelLetter(int level);

    static void printEntry(uint32_t index);
    static void printAll();
    // Banner and every entry to standard error, then exit status 1.
    [[noreturn]] static void dumpAndExit();

private:
    static void dump();
    static void emptyStore();
    static bool store(int level, const char* title, const char* format, va_list args,
                      bool truncate);
};
