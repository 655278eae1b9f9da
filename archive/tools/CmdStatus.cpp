#include "archive/ArchiveQueries.h"
#include "archive/RecordArchive.h"
#include "archive/tools/ToolCommand.h"

#include <QCoreApplication>
#include <QDir>

namespace {

int RunStatus(ToolContext& context, const QStringList& arguments) {
    if (!arguments.isEmpty()) {
        context.err << QCoreApplication::translate("CmdStatus", "status: 不需要参数 / takes no arguments\n");
        return kExitUsage;
    }
    QTextStream& out = context.out;
    // The places first: they say where to look when the archive is not there.
    out << "settings: " << QDir::toNativeSeparators(context.settingsFile) << '\n';
    out << "data_folder: " << QDir::toNativeSeparators(context.dataFolder) << '\n';
    out.flush();
    RecordArchive archive;
    if (const int opened = OpenToolArchive(context, archive, false); opened != kExitOk)
        return opened;
    out << "archive: " << QDir::toNativeSeparators(archive.fileName()) << '\n';
    out << "schema_version: " << archive.schemaVersion() << " (this program: " << kArchiveSchemaVersion
        << ")\n";
    out << "laptop_id: " << archive.laptopId() << '\n';
    const ArchiveCounts counts = CountArchive(archive);
    out << "records: " << counts.records << '\n';
    out << "devices: " << counts.devices << '\n';
    out << "assets: " << counts.assets << '\n';
    out << "imported_files: " << counts.importedFiles << '\n';
    out << "records_not_pushed: " << counts.notPushed << '\n';
    out << "records_refused: " << counts.refused << '\n';
    return kExitOk;
}

} // namespace

extern const ToolCommand kStatusCommand{
    "status", "", "显示设置文件、数据文件夹和记录库的位置，记录库的版本和记录数",
    "show where the settings, the data folder and the archive are, and what the archive holds", RunStatus};
