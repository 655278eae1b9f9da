#pragma once
// The asset register "设备台账": one row per device number seen, with where it stands, what it is,
// its baselines and its limit. Numbers are kept as the exact text the user typed; a text that is
// not a finite positive decimal of at most 1,000,000,000 µΩ is refused as a whole.
#include "archive/Assessment.h"
#include "core/Outcome.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

class RecordArchive;

inline constexpr double kMaxMicroOhms = 1e9;

struct Asset {
    QString device; // as shown; matched without regard to case
    QString station;
    QString bay;
    QString phase; // "A", "B", "C" or ""
    QString kind;  // "断路器", "隔离开关", "母线接头", "其他" or ""
    QString maker;
    QString model;
    QString factory;       // µΩ, exact text or ""
    QString commissioning; // µΩ
    QString limit;         // µΩ
    QString note;
    QString baselineFactor; // "" = the factor for all
    QString riseFactor;
    QString phaseFactor;
    bool registered = false; // a row of the register, not only a device number seen

    QString key() const { return device.toUpper(); }
    bool operator==(const Asset&) const = default;
};

// The register's columns in the window and in its files, in order.
// The device number's column header, "站名", "间隔", "相别", … "备注", then the asset's three factors.
const QStringList& AssetColumnHeaders();
QStringList AssetColumnCaptions(); // the headers in the program's language, as the window shows them
const QStringList& AssetKinds();   // 断路器, 隔离开关, 母线接头, 其他
QString AssetKindCaption(const QString& kind); // a kind as shown, in the program's language
// The caption of an archive column of the register ("limit_uohm" → "限值(uΩ)"); other names as given.
QString AssetFieldCaption(const QString& column);
// Column texts of an asset, and back; Invalid with the reason for the first field that does not hold.
QStringList AssetColumns(const Asset& asset);
Result<Asset> AssetFromColumns(const QStringList& columns);

// A number typed in µΩ: plain decimal digits with at most one point, above 0, at most 1e9.
// Returns the value, or nothing.
std::optional<double> ParseMicroOhms(const QString& text);
// A factor: a plain decimal above 0, at most 100.
std::optional<double> ParseFactor(const QString& text);
// Every field of the asset: the numbers, the phase and the kind; Invalid with the reason.
Outcome ValidateAsset(const Asset& asset);

// ---- In the archive ----

// Every device number seen or registered, by device key.
std::vector<Asset> LoadAssets(const RecordArchive& archive);
std::optional<Asset> LoadAsset(const RecordArchive& archive, const QString& device);
// The register's own rows only (read from the assets table alone: what a damaged archive still gives).
std::vector<Asset> LoadRegisteredAssets(const RecordArchive& archive);
// The registered devices of a bay that have a phase: (phase, device number), by phase.
std::vector<std::pair<QString, QString>> BayPhaseDevices(const RecordArchive& archive, const QString& station,
                                                         const QString& bay);
// Writes the assets that differ from what the archive holds (changed_at, changed_by, pushed = 0),
// all in one transaction. Nothing is written on any invalid field (Invalid, the device named), or
// when the archive cannot be written (the archive's kind: Busy, DiskFull, ...).
Outcome SaveAssets(RecordArchive& archive, const std::vector<Asset>& assets);
// The factors for all assets, and writing them.
AssessmentFactors LoadFactors(const RecordArchive& archive, QStringList* texts = nullptr);
Outcome SaveFactors(RecordArchive& archive, const QStringList& texts);
// The rules of one asset as assessment takes them.
AssetRules RulesOf(const Asset& asset, const AssessmentFactors& common);

// ---- Files ----
// .xlsx or .csv by the name's ending (any case); the register's columns with a header row.
Outcome ExportAssets(const std::vector<Asset>& assets, const QString& fileName);
// Reads rows below the header row, the columns found by their headers in any order; a file whose
// headers are not the register's is refused (Foreign). Each row must be valid, or nothing is taken
// (Invalid, the reason names the row).
Result<std::vector<Asset>> ImportAssets(const QString& fileName);
