#pragma once
// Reads a reference, measurement or combined patch data file (CGATS-style
// text: keyword lines, a field line, one line per patch) into the patch
// table. The window around it asks for the path, reports, and refreshes the
// rows afterwards; this part only parses and writes cells.

#include <QString>

class PatchTable;
class QTextStream;

enum class PatchDataKind { Measurement = 0, Reference = 1 };

// The window's flags that reading a file changes.
struct PatchDataFlags
{
    bool hasMeas = false;
    bool hasRef = false;
    bool hasTolFailed = false;
};

class PatchDataReader
{
public:
    // A file's NUMBER_OF_SETS grows the table in advance only up to this
    // many rows: the count is the file's word, and a lying one must not
    // exhaust memory before a single patch is read. Rows beyond it still
    // come one per data line.
    static constexpr int maxRowsFromCount = 100000;

    // "MEAS" or "REF", the word of the settings key.
    static QString kindWord(PatchDataKind kind);

    // Reads every line; data lines overwrite the table's rows from row 0
    // on. Returns the number of rows read; rows behind them are left for
    // the caller to remove.
    static int read(QTextStream& stream, PatchDataKind kind, PatchTable& table, PatchDataFlags& flags);
};
