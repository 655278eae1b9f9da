#include "archive/ProgramArchive.h"

#include "archive/ArchiveMessages.h"
#include "archive/AssetRegister.h"
#include "archive/TestJobs.h"
#include "core/RecordValues.h"
#include "core/UDataCenter.h"
#include "report/DataFile.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <algorithm>

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
    m_upload.clear();
    m_uploadStored = 0;
}

void ProgramArchive::tellProblemOnce() {
    RecordArchive& opened = archive();
    if (m_told || (opened.writable() && opened.failure().reason().isEmpty()))
        return;
    m_told = true;
    emit troubleFound(ArchiveProblemMessage(opened.failure().reason(), opened.fault()),
                      ArchiveFaultIsFileDamage(opened.fault()) && QFileInfo::exists(opened.fileName()));
}

Result<QString> ProgramArchive::setAsideDamaged() {
    const QString name = fileName();
    emit registerChanged(); // the windows' readers let go of the damaged file first
    m_archive.reset();
    const Result<QString> aside = RecordArchive::SetAside(name);
    if (!aside)
        return Outcome::Failure(aside.kind(), ArchiveMessages::ArchiveNotRebuilt(aside.reason()),
                                aside.detail());
    RecordArchive& fresh = archive();
    if (!fresh.writable())
        return Outcome::Failure(fresh.fault(), ArchiveProblemMessage(fresh.failure().reason(), fresh.fault()),
                                fresh.failure().detail());
    // What the register of the damaged file still gives back, then the records that waited.
    RecordArchive damaged;
    if (damaged.open(*aside, ArchiveOpening::ReadOnly) == ArchiveState::ReadOnly) {
        std::vector<Asset> assets = LoadRegisteredAssets(damaged);
        if (!SaveAssets(fresh, assets))
            assets.clear();
        damaged.close();
    }
    storePending();
    return aside;
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

void ProgramArchive::storeLive(const TestRecord& record) {
    store({record}, QStringLiteral("live"));
}

void ProgramArchive::moveSettingsLimits(const std::vector<std::pair<QString, QString>>& limits) {
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

Outcome ProgramArchive::setRegisterLimit(const QString& device, const QString& limit) {
    Asset typed;
    typed.limit = TrimText(limit);
    if (Outcome valid = ValidateAsset(typed); !valid)
        return valid;
    RecordArchive& opened = writableArchive();
    QString reason = opened.failure().reason();
    if (opened.writable()) {
        Asset asset = LoadAsset(opened, device).value_or(Asset{});
        if (!asset.registered)
            asset.device = TrimText(device);
        asset.limit = TrimText(limit);
        const Outcome saved = SaveAssets(opened, {asset});
        if (saved) {
            emit registerChanged();
            return {};
        }
        reason = saved.reason();
    }
    return Outcome::Failure(opened.fault(), ArchiveProblemMessage(reason, opened.fault()), reason);
}

void ProgramArchive::joinCurrentJob(RecordArchive& opened, const std::vector<TestRecord>& records) {
    // Quiet: the records are stored; a job that cannot take them says so in its own window.
    if (const Result<int> joined = TestJobs(opened).joinCurrent(records); joined && *joined > 0)
        emit jobsChanged();
}

void ProgramArchive::uploadStarted() {
    m_upload.clear();
    m_uploadStored = 0;
}

void ProgramArchive::uploadReceived(const TestRecord& record) {
    m_upload.push_back(record);
    if (int(m_upload.size()) < kUploadSlice)
        return;
    RecordArchive& opened = writableArchive();
    if (!opened.writable() || !m_pending.empty())
        return; // the end of the upload stores everything and tells why not
    if (opened.store(m_upload, QStringLiteral("upload"))) {
        m_uploadStored += int(m_upload.size());
        joinCurrentJob(opened, m_upload);
        m_upload.clear();
    }
}

void ProgramArchive::uploadEnded(int received) {
    std::vector<TestRecord> rest = std::move(m_upload);
    rest.resize(size_t(std::clamp(received - m_uploadStored, 0, int(rest.size()))));
    uploadStarted();
    store(std::move(rest), QStringLiteral("upload"));
}
