#include "ui/ProgramArchive.h"

#include "archive/AssetRegister.h"
#include "archive/TestJobs.h"
#include "core/Platform.h"
#include "core/ProfileFile.h"
#include "core/RecordValues.h"
#include "core/UDataCenter.h"
#include "history/DeviceLimits.h"
#include "report/DataFile.h"
#include "ui/ArchiveImportRun.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

constexpr size_t kMaxPending = 100000;

const QString kLimitsMoved = QStringLiteral("device_limits_moved");

// The limits of the settings file's [DeviceLimits] go into the register once, where the register
// has none for the device; from then on the register holds them. An archive that cannot be
// written now gets them at a later start.
void MoveDeviceLimits(RecordArchive& archive, const std::vector<std::pair<QString, QString>>& limits) {
    if (!archive.writable())
        return;
    if (archive.stepDone(kLimitsMoved).value_or(true))
        return;
    std::vector<Asset> assets;
    for (const auto& [device, limit] : limits) {
        Asset asset = LoadAsset(archive, device).value_or(Asset{});
        if (!asset.registered)
            asset.device = device;
        if (asset.limit.isEmpty() && ParseMicroOhms(limit)) {
            asset.limit = limit; // the text as written: the register keeps numbers exactly
            assets.push_back(asset);
        }
    }
    if (!SaveAssets(archive, assets))
        return;
    archive.markStepDone(kLimitsMoved);
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

RecordArchive& ProgramArchive::writableArchive() {
    RecordArchive& opened = archive();
    // A full disk, a permission or another program's lock may have gone since: open again (the same
    // object, which the windows' readers refer to; they let go of their statements first).
    if (!opened.writable() && ArchiveFaultPasses(opened.fault())) {
        emit registerChanged();
        opened.open(fileName());
    }
    return opened;
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
    m_uploadStored = 0;
}

void ProgramArchive::tellProblemOnce() {
    RecordArchive& opened = archive();
    if (m_told || (opened.writable() && opened.problem().isEmpty()))
        return;
    m_told = true;
    const QString message = ArchiveProblemMessage(opened.problem(), opened.fault());
    if (!ArchiveFaultIsFileDamage(opened.fault()) || !QFileInfo::exists(opened.fileName())) {
        ShowMessage(message, AppTitle(), MsgIcon::Warning);
        return;
    }
    const QString question =
        message +
        QCoreApplication::translate("ProgramArchive",
                                    "\n\n是否建立新的记录库？损坏的文件会改名保留在原文件夹中，"
                                    "测试记录文件夹中的数据文件和工作簿（包括自动备份）会重新导入新的记录库，"
                                    "台账中能读出的设备也会转入。");
    if (ShowMessage(question, AppTitle(), MsgIcon::Warning, MsgButtons::YesNo) == MsgResult::Yes)
        rebuild();
}

void ProgramArchive::rebuild() {
    const QString name = fileName();
    emit registerChanged(); // the windows' readers let go of the damaged file first
    m_archive.reset();
    const Result<QString> aside = RecordArchive::SetAside(name);
    if (!aside) {
        ShowMessage(QCoreApplication::translate("ProgramArchive", "记录库没有重建：%1").arg(aside.reason()),
                    AppTitle(), MsgIcon::Warning);
        return;
    }
    RecordArchive& fresh = archive();
    if (!fresh.writable()) {
        ShowMessage(ArchiveProblemMessage(fresh.problem(), fresh.fault()), AppTitle(), MsgIcon::Warning);
        return;
    }
    // What the register of the damaged file still gives back, then the records of the data folder.
    RecordArchive damaged;
    if (damaged.open(*aside, true) == ArchiveState::ReadOnly) {
        std::vector<Asset> assets = LoadRegisteredAssets(damaged);
        if (!SaveAssets(fresh, assets))
            assets.clear();
        damaged.close();
    }
    storePending();
    BringInDataFolder(nullptr, [this, aside = *aside](const ImportSummary& summary) {
        emit registerChanged();
        ShowMessage(QCoreApplication::translate(
                        "ProgramArchive",
                        "已建立新的记录库，从测试记录文件夹导入 %1 条记录。\n损坏的文件保留为“%2”。")
                        .arg(summary.recordsAdded)
                        .arg(QDir::toNativeSeparators(aside)),
                    AppTitle(), MsgIcon::Information);
    });
}

bool ProgramArchive::storePending() {
    RecordArchive& opened = archive();
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
        std::vector<TestRecord> taken;
        for (const auto& [record, source] : m_pending)
            if (source == QLatin1String("upload") || source == QLatin1String("live"))
                taken.push_back(record);
        joinCurrentJob(opened, taken);
        m_pending.clear();
        m_told = false; // a later failure is news again
    }
    return stored;
}

void ProgramArchive::store(std::vector<TestRecord> records, const QString& source) {
    writableArchive();
    for (TestRecord& record : records)
        if (m_pending.size() < kMaxPending)
            m_pending.emplace_back(std::move(record), source);
    if (storePending()) {
        emit recordsStored(source);
        return;
    }
    tellProblemOnce();
}

void ProgramArchive::moveSettingsLimits() {
    const std::vector<std::pair<QString, QString>> limits = SettingsFileLimits(ReadSettingsFile());
    if (!limits.empty()) // no archive is made for nothing to move
        MoveDeviceLimits(writableArchive(), limits);
}

QString ProgramArchive::registerLimit(const QString& device) {
    RecordArchive* opened = existingArchive();
    if (!opened || !opened->readable())
        return {};
    const std::optional<Asset> asset = LoadAsset(*opened, device);
    return asset ? asset->limit : QString();
}

bool ProgramArchive::setRegisterLimit(const QString& device, const QString& limit) {
    const QString text = TrimText(limit);
    Asset typed;
    typed.limit = text;
    if (const Outcome valid = ValidateAsset(typed); !valid) {
        ShowMessage(valid.reason(), AppTitle(), MsgIcon::Information); // the register's own words
        return false;
    }
    RecordArchive& opened = writableArchive();
    QString reason = opened.problem();
    if (opened.writable()) {
        Asset asset = LoadAsset(opened, device).value_or(Asset{});
        if (!asset.registered)
            asset.device = TrimText(device);
        asset.limit = text;
        const Outcome saved = SaveAssets(opened, {asset});
        if (saved) {
            emit registerChanged();
            return true;
        }
        reason = saved.reason();
    }
    ShowMessage(ArchiveProblemMessage(reason, opened.fault()), AppTitle(), MsgIcon::Warning);
    return false;
}

void ProgramArchive::joinCurrentJob(RecordArchive& opened, const std::vector<TestRecord>& records) {
    // Quiet: the records are stored; a job that cannot take them says so in its own window.
    if (const Result<int> joined = TestJobs(opened).joinCurrent(records); joined && *joined > 0)
        emit jobsChanged();
}

void ProgramArchive::storeRows(const RecordGrid& grid, int first, int last, const QString& source) {
    std::vector<TestRecord> records;
    for (int row = std::max(first, 1); row <= last && row < grid.gridRowCount(); ++row)
        records.push_back(grid.record(row));
    store(std::move(records), source);
}

void ProgramArchive::uploadReceived(const RecordGrid& grid, int row) {
    if (row <= 1)
        m_uploadStored = 0;
    if (row - m_uploadStored < kUploadSlice)
        return;
    RecordArchive& opened = writableArchive();
    if (!opened.writable() || !m_pending.empty())
        return; // the end of the upload stores everything and tells why not
    std::vector<TestRecord> records;
    for (int k = m_uploadStored + 1; k <= row; ++k)
        records.push_back(grid.record(k));
    if (opened.store(records, QStringLiteral("upload")) >= 0) {
        m_uploadStored = row;
        joinCurrentJob(opened, records);
    }
}

void ProgramArchive::uploadEnded(const RecordGrid& grid, int last) {
    const int first = std::min(m_uploadStored, last) + 1;
    m_uploadStored = 0;
    storeRows(grid, first, last, QStringLiteral("upload"));
}

void ArchiveUploadReceived(const RecordGrid& grid, int row) {
    ProgramArchive::shared().uploadReceived(grid, row);
}

void ArchiveUpload(const RecordGrid& grid, int recordCount) {
    ProgramArchive::shared().uploadEnded(grid, recordCount);
}

void ArchiveTestRecord(const TestRecord& record) {
    ProgramArchive::shared().store({record}, QStringLiteral("live"));
}
