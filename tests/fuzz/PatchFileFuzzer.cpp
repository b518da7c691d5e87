// The patch data reader on arbitrary text, through the parsing code the
// window uses, and the table operations on what it wrote.

#include "FuzzTargets.h"
#include "MyRCItemModel.h"
#include "PatchDataReader.h"
#include "PatchTable.h"

#include <QByteArray>
#include <QTextStream>

#include <memory>

int fuzzPatchFile(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    QByteArray text(reinterpret_cast<const char*>(data + 1), static_cast<int>(size - 1));
    std::unique_ptr<MyRCItemModel> model(PatchTable::createModel(nullptr));
    PatchTable table(model.get());
    PatchDataFlags flags;
    QTextStream stream(&text);
    const PatchDataKind kind = data[0] & 1 ? PatchDataKind::Measurement : PatchDataKind::Reference;
    const int rows = PatchDataReader::read(stream, kind, table, flags);
    if (model->rowCount() > rows)
        model->removeRows(rows, model->rowCount() - rows);
    for (int row = 0; row < model->rowCount() && row < 64; ++row) {
        table.updateDeltaE(row);
        table.toleranceFailed(row);
    }
    table.summarize(PatchTable::DeltaE);
    return 0;
}

#ifdef VESTREL_FUZZ_ENTRY
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return fuzzPatchFile(data, size);
}
#endif
