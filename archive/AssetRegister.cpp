#include "archive/AssetRegister.h"

#include "archive/ArchiveMessages.h"
#include "archive/KeyLimits.h"
#include "archive/RecordArchive.h"
#include "archive/TableFile.h"
#include "core/RecordColumns.h"
#include "core/UDataCenter.h"
#include "report/WorkbookReader.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>
#include <cmath>
#include <map>

namespace {

constexpr double kMaxFactor = 100.0;
constexpr int kMaxImportRows = 100000;
// Columns looked at for headers: the register's and others a spreadsheet user may have added.
constexpr int kMaxImportColumns = 64;
// The register's columns in the archive, in the order of its files' headers.
const QStringList kAssetColumns{
    QStringLiteral("device"),      QStringLiteral("station"),      QStringLiteral("bay"),
    QStringLiteral("phase"),       QStringLiteral("kind"),         QStringLiteral("maker"),
    QStringLiteral("model"),       QStringLiteral("factory_uohm"), QStringLiteral("commissioning_uohm"),
    QStringLiteral("limit_uohm"),  QStringLiteral("note"),         QStringLiteral("baseline_factor"),
    QStringLiteral("rise_factor"), QStringLiteral("phase_factor")};

Result<double> ParseDecimal(const QString& text, double maximum, const QString& what) {
    static const QRegularExpression plain(QStringLiteral("^[0-9]{1,12}(\\.[0-9]{1,30})?$"));
    const auto refuse = [](const QString& why) -> Result<double> {
        return Outcome::Failure(FailureKind::Invalid, why);
    };
    if (!plain.match(text).hasMatch())
        return refuse(ArchiveMessages::NotADecimal(what, text));
    const double value = text.toDouble();
    if (!std::isfinite(value) || value <= 0)
        return refuse(ArchiveMessages::NotPositive(what, text));
    if (value > maximum)
        return refuse(ArchiveMessages::AboveMaximum(what, text, QString::number(maximum, 'f', 0)));
    return value;
}

Asset AssetFromQuery(const QSqlQuery& query, int first) {
    Asset asset;
    QString* fields[] = {&asset.station,    &asset.bay,   &asset.phase,          &asset.kind,
                         &asset.maker,      &asset.model, &asset.factory,        &asset.commissioning,
                         &asset.limit,      &asset.note,  &asset.baselineFactor, &asset.riseFactor,
                         &asset.phaseFactor};
    for (int i = 0; i < int(std::size(fields)); ++i)
        *fields[i] = query.value(first + i).toString();
    return asset;
}

} // namespace

// The headers are the register's files' header row and never translated; the window shows their
// translation, the caption.
const QStringList& AssetColumnHeaders() {
    static const QStringList headers{RecordColumnOf(RecordColumn::Device).header,
                                     QString::fromUtf8(QT_TRANSLATE_NOOP("AssetColumns", "站名")),
                                     QString::fromUtf8(QT_TRANSLATE_NOOP("AssetColumns", "间隔")),
                                     QString::fromUtf8(QT_TRANSLATE_NOOP("AssetColumns", "相别")),
                                     QString::fromUtf8(QT_TRANSLATE_NOOP("AssetColumns", "类型")),
                                     QString::fromUtf8(QT_TRANSLATE_NOOP("AssetColumns", "厂家")),
                                     QString::fromUtf8(QT_TRANSLATE_NOOP("AssetColumns", "型号")),
                                     QString::fromUtf8(QT_TRANSLATE_NOOP("AssetColumns", "出厂值(uΩ)")),
                                     QString::fromUtf8(QT_TRANSLATE_NOOP("AssetColumns", "投运值(uΩ)")),
                                     QString::fromUtf8(QT_TRANSLATE_NOOP("AssetColumns", "限值(uΩ)")),
                                     QString::fromUtf8(QT_TRANSLATE_NOOP("AssetColumns", "备注")),
                                     QString::fromUtf8(QT_TRANSLATE_NOOP("AssetColumns", "基准倍数")),
                                     QString::fromUtf8(QT_TRANSLATE_NOOP("AssetColumns", "增长比例")),
                                     QString::fromUtf8(QT_TRANSLATE_NOOP("AssetColumns", "相间比例"))};
    return headers;
}

QStringList AssetColumnCaptions() {
    QStringList captions{RecordColumnOf(RecordColumn::Device).caption()};
    for (qsizetype i = 1; i < AssetColumnHeaders().size(); ++i)
        captions << QCoreApplication::translate("AssetColumns",
                                                AssetColumnHeaders().at(i).toUtf8().constData());
    return captions;
}

QString AssetFieldCaption(const QString& column) {
    const qsizetype i = kAssetColumns.indexOf(column);
    return i < 0 ? column : AssetColumnCaptions().at(i);
}

// The kinds are kept in the archive and its files as written here; they are shown translated.
const QStringList& AssetKinds() {
    static const QStringList kinds{QString::fromUtf8(QT_TRANSLATE_NOOP("AssetKinds", "断路器")),
                                   QString::fromUtf8(QT_TRANSLATE_NOOP("AssetKinds", "隔离开关")),
                                   QString::fromUtf8(QT_TRANSLATE_NOOP("AssetKinds", "母线接头")),
                                   QString::fromUtf8(QT_TRANSLATE_NOOP("AssetKinds", "其他"))};
    return kinds;
}

QString AssetKindCaption(const QString& kind) {
    return QCoreApplication::translate("AssetKinds", kind.toUtf8().constData());
}

QStringList AssetColumns(const Asset& asset) {
    return {asset.device, asset.station,        asset.bay,        asset.phase,         asset.kind,
            asset.maker,  asset.model,          asset.factory,    asset.commissioning, asset.limit,
            asset.note,   asset.baselineFactor, asset.riseFactor, asset.phaseFactor};
}

Result<Asset> AssetFromColumns(const QStringList& columns) {
    Asset read;
    QString* fields[] = {&read.device,        &read.station,    &read.bay,   &read.phase,
                         &read.kind,          &read.maker,      &read.model, &read.factory,
                         &read.commissioning, &read.limit,      &read.note,  &read.baselineFactor,
                         &read.riseFactor,    &read.phaseFactor};
    for (int i = 0; i < int(std::size(fields)); ++i)
        *fields[i] = i < columns.size() ? TrimText(columns.at(i)) : QString();
    read.phase = read.phase.toUpper();
    if (read.device.isEmpty())
        return Outcome::Failure(FailureKind::Invalid, ArchiveMessages::AssetDeviceEmpty());
    if (Outcome valid = ValidateAsset(read); !valid)
        return valid;
    read.registered = true;
    return read;
}

std::optional<double> ParseMicroOhms(const QString& text) {
    const Result<double> parsed = ParseDecimal(text, kMaxMicroOhms, QString());
    return parsed ? std::optional(*parsed) : std::nullopt;
}

std::optional<double> ParseFactor(const QString& text) {
    const Result<double> parsed = ParseDecimal(text, kMaxFactor, QString());
    return parsed ? std::optional(*parsed) : std::nullopt;
}

Outcome ValidateAsset(const Asset& asset) {
    for (const auto& [text, what] :
         {std::pair(&asset.device, QCoreApplication::translate("AssetRegister", "设备编号")),
          std::pair(&asset.station, QCoreApplication::translate("AssetRegister", "站名")),
          std::pair(&asset.bay, QCoreApplication::translate("AssetRegister", "间隔"))}) {
        if (QString why = KeyTooLong(*text, what); !why.isEmpty())
            return Outcome::Failure(FailureKind::Invalid, why);
    }
    const std::pair<const QString*, QString> numbers[] = {
        {&asset.factory, QCoreApplication::translate("AssetRegister", "出厂值")},
        {&asset.commissioning, QCoreApplication::translate("AssetRegister", "投运值")},
        {&asset.limit, QCoreApplication::translate("AssetRegister", "限值")}};
    for (const auto& [text, name] : numbers)
        if (Result<double> parsed = ParseDecimal(*text, kMaxMicroOhms, name); !text->isEmpty() && !parsed)
            return parsed;
    const std::pair<const QString*, QString> factors[] = {
        {&asset.baselineFactor, QCoreApplication::translate("AssetRegister", "基准倍数")},
        {&asset.riseFactor, QCoreApplication::translate("AssetRegister", "增长比例")},
        {&asset.phaseFactor, QCoreApplication::translate("AssetRegister", "相间比例")}};
    for (const auto& [text, name] : factors)
        if (Result<double> parsed = ParseDecimal(*text, kMaxFactor, name); !text->isEmpty() && !parsed)
            return parsed;
    static const QStringList phases{QString(), QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")};
    if (!phases.contains(asset.phase))
        return Outcome::Failure(FailureKind::Invalid, ArchiveMessages::PhaseNotKnown(asset.phase));
    if (!asset.kind.isEmpty() && !AssetKinds().contains(asset.kind))
        return Outcome::Failure(FailureKind::Invalid,
                                ArchiveMessages::AssetKindNotKnownOrEmpty(asset.kind, AssetKinds()));
    return {};
}

std::vector<Asset> LoadAssets(const RecordArchive& archive) {
    std::vector<Asset> assets;
    QSqlQuery query = archive.statement(ArchiveSql::DevicesAndAssets);
    if (!query.exec())
        return assets;
    while (query.next()) {
        Asset asset = AssetFromQuery(query, 3);
        asset.device = query.value(1).toString();
        asset.registered = query.value(2).toBool();
        assets.push_back(std::move(asset));
    }
    return assets;
}

std::vector<std::pair<QString, QString>> BayPhaseDevices(const RecordArchive& archive, const QString& station,
                                                         const QString& bay) {
    std::vector<std::pair<QString, QString>> devices;
    QSqlQuery query = archive.statement(ArchiveSql::AssetsOfBay);
    query.addBindValue(station);
    query.addBindValue(bay);
    if (query.exec())
        while (query.next())
            devices.emplace_back(query.value(0).toString(), query.value(1).toString());
    return devices;
}

std::optional<Asset> LoadAsset(const RecordArchive& archive, const QString& device) {
    QSqlQuery query = archive.statement(ArchiveSql::AssetByKey);
    query.addBindValue(TrimText(device).toUpper());
    if (!query.exec() || !query.next())
        return std::nullopt;
    Asset asset = AssetFromQuery(query, 1);
    asset.device = query.value(0).toString();
    asset.registered = true;
    return asset;
}

std::vector<Asset> LoadRegisteredAssets(const RecordArchive& archive) {
    std::vector<Asset> assets;
    QSqlQuery query = archive.statement(ArchiveSql::RegisteredAssets);
    if (!query.exec())
        return assets;
    while (query.next()) {
        Asset asset = AssetFromQuery(query, 1);
        asset.device = query.value(0).toString();
        asset.registered = true;
        assets.push_back(std::move(asset));
    }
    return assets;
}

Outcome SaveAssets(RecordArchive& archive, const std::vector<Asset>& assets) {
    for (const Asset& asset : assets) {
        if (const Outcome valid = ValidateAsset(asset); !valid) {
            const QString shown =
                asset.device.size() > 40 ? asset.device.left(40) + QStringLiteral("…") : asset.device;
            return Outcome::Failure(FailureKind::Invalid,
                                    ArchiveMessages::AssetRefused(shown, valid.reason()));
        }
    }
    const QString now = RecordArchive::NowText();
    Outcome refused; // a statement that failed, in the archive's words
    const bool saved = archive.inTransaction([&] {
        QSqlQuery upsert = archive.statement(ArchiveSql::SaveAsset);
        for (const Asset& asset : assets) {
            Asset candidate = asset;
            candidate.registered = true;
            if (const std::optional<Asset> stored = LoadAsset(archive, asset.device);
                stored && *stored == candidate)
                continue;
            // An empty text is '' in the register, never NULL.
            for (const QString& value :
                 {asset.key(), asset.device, asset.station, asset.bay, asset.phase, asset.kind, asset.maker,
                  asset.model, asset.factory, asset.commissioning, asset.limit, asset.note,
                  asset.baselineFactor, asset.riseFactor, asset.phaseFactor, now, archive.laptopId()})
                upsert.addBindValue(value.isNull() ? QStringLiteral("") : value);
            if (!upsert.exec()) {
                const QString detail = upsert.lastError().text();
                refused =
                    Outcome::Failure(FailureKind::Io, ArchiveMessages::ArchiveNotWritable(detail), detail);
                return false;
            }
        }
        return true;
    });
    if (saved)
        return {};
    return refused.ok() ? archive.writeFailure() : refused;
}

AssessmentFactors LoadFactors(const RecordArchive& archive, QStringList* texts) {
    AssessmentFactors factors;
    QSqlQuery query = archive.statement(ArchiveSql::CommonRules);
    if (!query.exec() || !query.next())
        return factors;
    if (texts)
        *texts = {query.value(0).toString(), query.value(1).toString(), query.value(2).toString()};
    factors.baseline = ParseFactor(query.value(0).toString()).value_or(factors.baseline);
    factors.rise = ParseFactor(query.value(1).toString()).value_or(factors.rise);
    factors.phase = ParseFactor(query.value(2).toString()).value_or(factors.phase);
    return factors;
}

Outcome SaveFactors(RecordArchive& archive, const QStringList& texts) {
    const QString names[] = {QCoreApplication::translate("AssetRegister", "基准倍数"),
                             QCoreApplication::translate("AssetRegister", "增长比例"),
                             QCoreApplication::translate("AssetRegister", "相间比例")};
    for (int i = 0; i < 3; ++i)
        if (Result<double> parsed =
                ParseDecimal(i < texts.size() ? TrimText(texts.at(i)) : QString(), kMaxFactor, names[i]);
            !parsed)
            return parsed;
    const bool saved = archive.inTransaction([&] {
        QSqlQuery query = archive.statement(ArchiveSql::SaveCommonRules);
        for (int i = 0; i < 3; ++i)
            query.addBindValue(TrimText(texts.at(i)));
        query.addBindValue(RecordArchive::NowText());
        query.addBindValue(archive.laptopId());
        return query.exec();
    });
    return saved ? Outcome() : archive.writeFailure();
}

AssetRules RulesOf(const Asset& asset, const AssessmentFactors& common) {
    AssetRules rules;
    rules.limit = asset.limit.isEmpty() ? std::nullopt : ParseMicroOhms(asset.limit);
    rules.limitText = asset.limit;
    rules.factory = asset.factory.isEmpty() ? std::nullopt : ParseMicroOhms(asset.factory);
    rules.commissioning = asset.commissioning.isEmpty() ? std::nullopt : ParseMicroOhms(asset.commissioning);
    rules.factors = common;
    if (!asset.baselineFactor.isEmpty())
        rules.factors.baseline = ParseFactor(asset.baselineFactor).value_or(common.baseline);
    if (!asset.riseFactor.isEmpty())
        rules.factors.rise = ParseFactor(asset.riseFactor).value_or(common.rise);
    if (!asset.phaseFactor.isEmpty())
        rules.factors.phase = ParseFactor(asset.phaseFactor).value_or(common.phase);
    return rules;
}

Outcome ExportAssets(const std::vector<Asset>& assets, const QString& fileName) {
    return WriteTableFile(fileName, AssetColumnHeaders(), [&](qint64 row, QStringList* cells) {
        if (row >= qint64(assets.size()))
            return false;
        *cells = AssetColumns(assets[size_t(row)]);
        return true;
    });
}

Result<std::vector<Asset>> ImportAssets(const QString& fileName) {
    const QStringList& headers = AssetColumnHeaders();
    WorkbookLimits limits;
    limits.columns = kMaxImportColumns;
    limits.maxFileBytes = limits.maxSheetBytes = qint64(64) * 1024 * 1024;
    SheetCells cells;
    const Outcome read = IsCsvName(fileName) ? ReadCsvCells(fileName, limits, &cells)
                                             : ReadXlsxCells(fileName, limits, &cells);
    if (!read)
        return Outcome::Failure(read.kind() == FailureKind::General ? FailureKind::Io : read.kind(),
                                ArchiveMessages::RegisterUnreadable(fileName, read.reason()), read.reason());
    // The columns are found by their headers in sheet row 1, in any order; a header that is not
    // the register's, or one missing, means the file is not a register.
    std::map<int, qsizetype> columnOf; // sheet column → register column
    for (const SheetCell& cell : cells.cells()) {
        if (cell.row != 1 || TrimText(cell.text).isEmpty())
            continue;
        const qsizetype index = headers.indexOf(TrimText(cell.text));
        if (index < 0)
            return Outcome::Failure(FailureKind::Foreign,
                                    ArchiveMessages::RegisterHeaderUnknown(fileName, TrimText(cell.text)));
        for (const auto& [column, known] : columnOf)
            if (known == index)
                return Outcome::Failure(FailureKind::Invalid,
                                        ArchiveMessages::RegisterHeaderTwice(fileName, headers.at(index)));
        columnOf[cell.column] = index;
    }
    for (qsizetype index = 0; index < headers.size(); ++index)
        if (std::none_of(columnOf.begin(), columnOf.end(),
                         [index](const auto& entry) { return entry.second == index; }))
            return Outcome::Failure(FailureKind::Foreign,
                                    ArchiveMessages::RegisterHeaderMissing(fileName, headers.at(index)));
    std::map<uint32_t, QStringList> rows;
    for (SheetCell& cell : cells.cells()) {
        const auto column = columnOf.find(cell.column);
        if (cell.row < 2 || column == columnOf.end())
            continue;
        if (rows.size() > size_t(kMaxImportRows))
            return Outcome::Failure(FailureKind::Invalid,
                                    ArchiveMessages::RegisterTooManyRows(fileName, kMaxImportRows));
        QStringList& row = rows[cell.row];
        while (row.size() < headers.size())
            row << QString();
        row[column->second] = cell.text;
    }
    std::vector<Asset> read_assets;
    for (const auto& [number, columns] : rows) {
        bool blank = true;
        for (const QString& text : columns)
            blank = blank && TrimText(text).isEmpty();
        if (blank)
            continue;
        Result<Asset> asset = AssetFromColumns(columns);
        if (!asset)
            return Outcome::Failure(FailureKind::Invalid,
                                    ArchiveMessages::RegisterRowRefused(number, asset.reason()));
        read_assets.push_back(std::move(*asset));
    }
    return read_assets;
}
