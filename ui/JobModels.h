#pragma once
// Models of values for the jobs' windows: the jobs, a job's rows, the instruments and the audit
// trail. Each holds its rows as values and formats them in data(); the windows filter and sort
// them through a QSortFilterProxyModel.
#include "archive/TestJobs.h"

#include "ui/ValueModels.h"

using JobListModel = ValueTableModel<TestJob>;
using JobRowsModel = ValueTableModel<JobRow>;
using InstrumentModel = ValueTableModel<Instrument>;
using AuditModel = ValueTableModel<AuditEntry>;
using DueModel = ValueTableModel<DueAsset>;

JobListModel* MakeJobListModel(QObject* parent);
JobRowsModel* MakeJobRowsModel(QObject* parent);
InstrumentModel* MakeInstrumentModel(QObject* parent);
AuditModel* MakeAuditModel(QObject* parent);
DueModel* MakeDueModel(QObject* parent);
