// The data-file reader on arbitrary file contents: no crash, and what it reads it can write and
// read back to the same cells.
#include "core/GbkText.h"
#include "core/RecordGrid.h"
#include "core/UDataCenter.h"
#include "report/DataFile.h"
#include "tests/fuzz/FuzzFile.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = WriteFuzzFile(data, size, ".txt");
    Result<DataFileRecords> read = ReadDataFile(path);
    if (!read || read->blank)
        return 0;
    DataFileRecords records = std::move(*read);
    RecordGrid grid;
    for (int c = 0; c < RecordGrid::ColumnCount; ++c)
        grid.setCell(c, 0, RecordGrid::Headers().at(c));
    const int count = records.recordCount;
    grid.replaceDataRows(std::move(records.rows));
    if (count < 0 || count > grid.gridRowCount() - 1)
        std::abort();

    // Written records come back as many, unless a value itself holds the record key and so starts
    // a record of its own when read.
    bool keyInValue = false;
    for (int r = 1; r <= count; ++r)
        for (int c = 0; c < RecordGrid::ColumnCount; ++c)
            keyInValue = keyInValue || grid.cell(c, r).contains(QStringLiteral("序号"));
    const QByteArray written = DataFileBytes(grid, count);
    const DataFileRecords again = ParseDataFileText(Gbk::decode(written));
    if (!keyInValue && again.recordCount != std::max(count, 0))
        std::abort();
    return 0;
}
