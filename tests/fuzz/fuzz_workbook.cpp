// The workbook reader (.xlsx through the zip and XML layers, .xls through freexl) on arbitrary
// file contents: no crash, bounded work, and a result that fits the grid's shape.
#include "report/WorkbookReader.h"
#include "tests/fuzz/FuzzFile.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = WriteFuzzFile(data, size, ".xlsx");
    WorkbookLimits limits;
    limits.maxSheetBytes = 8 << 20;
    limits.maxSmallPartBytes = 1 << 20;
    if (const Result<WorkbookRecords> records = ReadRecordWorkbook(path, limits)) {
        if (records->recordCount < 0 || size_t(records->recordCount) != records->rows.size())
            std::abort();
    } else if (records.reason().isEmpty()) {
        std::abort(); // every refusal says why
    }
    return 0;
}
