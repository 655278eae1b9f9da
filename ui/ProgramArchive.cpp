#include "ui/ProgramArchive.h"

#include "archive/AssetRegister.h"
#include "core/Platform.h"
#include "core/ProfileFile.h"
#include "core/RecordValues.h"
#include "core/UDataCenter.h"
#include "history/DeviceLimits.h"
#include "report/DataFile.h"

#include <QFileInfo>
#include <QSqlQuery>

namespace {

constexpr size_t kMaxPending = 100000;

const QString kLimitsMoved = QStringLiteral("device_limits_moved");

// The limits of the settings file's [DeviceLimits] go into the register once, where the register
// has none for the device; from then on the register holds them. An archive that cannot be
// written now gets them at a later start.
void MoveDeviceLimits(RecordArchive& archive, const std::vector<std::pair<QString, double>>& limits) {
    if (!archive.writable())
        return;
    {
        QSqlQuery moved(archive.database());
        moved.prepare(QStringLiteral("SELECT 1 FROM meta WHERE key = ?"));
        moved.addBindValue(kLimitsMoved);
        if (!moved.exec() || moved.next())
            return;
    }
    std::vector<Asset> assets;
    for (const auto& [device, limit] : limits) {
        Asset asset = LoadAsset(archive, device).value_or(Asset{});
        if (!asset.registered)
            asset.device = device;
        if (asset.limit.isEmpty() && ParseMicroOhms(MicroOhmText(limit))) {
            asset.limit = MicroOhmText(limit);
            assets.push_back(asset);
        }
    }
    QString reason;
    if (!SaveAssets(archive, assets, &reason))
        return;
    archive.inTransaction([&] {
        QSqlQuery note(archive.database());
        note.prepare(QStringLiteral("INSERT INTO meta (key, value) VALUES (?, '1')"));
        note.addBindValue(kLimitsMoved);
        return note.exec();
    });
}

} // namespace

ProgramArchive& ProgramArchive::shared() {
    static ProgramArchive* instance = new ProgramArchive;
    return *instance;
}

QString ProgramArchive::fileName() const {
    return EnsureDataFolder() + QLatin1Char('/') + kArchiveFileName;
}

RecordArchive& ProgramArchive::archive() {
    // The data folder may have moved (a test's program folder): the archive follows it.
    if (m_archive && m_archive->fileName() != fileName())
        reset();
    if (!m_archive) {
        EnsureDataFolder();
        m_archive = std::make_unique<RecordArchive>();
        m_archive->open(fileName());
    }
    return *m_archive;
}

RecordArchive* ProgramArchive::existingArchive() {
    if (!(m_archive && m_archive->fileName() == fileName()) && !QFileInfo::exists(fileName()))
        return nullptr;
    return &archive();
}

void ProgramArchive::reset() {
    m_archive.reset();
    m_pending.clear();
    m_told = false;
}

void ProgramArchive::tellProblemOnce() {
    RecordArchive& opened = archive();
    if (m_told || (opened.writable() && opened.problem().isEmpty()))
        return;
    m_told = true;
    ShowMessage(ArchiveProblemMessage(opened.problem()), kAppTitle, MsgIcon::Warning);
}

void ProgramArchive::store(std::vector<TestRecord> records, const QString& source) {
    RecordArchive& opened = archive();
    for (TestRecord& record : records)
        if (m_pending.size() < kMaxPending)
            m_pending.emplace_back(std::move(record), source);
    // Records kept from an earlier failure go in with these, in the same one transaction.
    const bool stored = opened.inTransaction([&] {
        for (size_t first = 0; first < m_pending.size();) {
            std::vector<TestRecord> batch;
            size_t next = first;
            for (; next < m_pending.size() && m_pending[next].second == m_pending[first].second; ++next)
                batch.push_back(m_pending[next].first);
            if (opened.storeInOpenTransaction(batch, m_pending[first].second) < 0)
                return false;
            first = next;
        }
        return true;
    });
    if (stored) {
        m_pending.clear();
        emit recordsStored(source);
        return;
    }
    tellProblemOnce();
}

void ProgramArchive::moveSettingsLimits() {
    const std::vector<std::pair<QString, double>> limits = SettingsFileLimits(ReadSettingsFile());
    if (!limits.empty()) // no archive is made for nothing to move
        MoveDeviceLimits(archive(), limits);
}

std::optional<double> ProgramArchive::registerLimit(const QString& device) {
    RecordArchive* opened = existingArchive();
    if (!opened || !opened->readable())
        return std::nullopt;
    const std::optional<Asset> asset = LoadAsset(*opened, device);
    return asset ? ParseMicroOhms(asset->limit) : std::nullopt;
}

bool ProgramArchive::setRegisterLimit(const QString& device, std::optional<double> microOhms) {
    RecordArchive& opened = archive();
    QString reason = opened.problem();
    if (opened.writable()) {
        Asset asset = LoadAsset(opened, device).value_or(Asset{});
        if (!asset.registered)
            asset.device = TrimText(device);
        asset.limit = microOhms ? MicroOhmText(*microOhms) : QString();
        if (SaveAssets(opened, {asset}, &reason)) {
            emit registerChanged();
            return true;
        }
    }
    ShowMessage(ArchiveProblemMessage(reason), kAppTitle, MsgIcon::Warning);
    return false;
}

void ProgramArchive::storeRows(const RecordGrid& grid, int first, int last, const QString& source) {
    std::vector<TestRecord> records;
    for (int row = std::max(first, 1); row <= last && row < grid.gridRowCount(); ++row)
        records.push_back(grid.record(row));
    store(std::move(records), source);
}

void ArchiveUpload(const RecordGrid& grid, int recordCount) {
    ProgramArchive::shared().storeRows(grid, 1, recordCount, QStringLiteral("upload"));
}

void ArchiveTestRecord(const TestRecord& record) {
    ProgramArchive::shared().store({record}, QStringLiteral("live"));
}
