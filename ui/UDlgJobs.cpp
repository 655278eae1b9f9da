#include "ui/UDlgJobs.h"

#include "archive/JobExchange.h"
#include "archive/ProgramArchive.h"
#include "archive/RecordArchive.h"
#include "core/Platform.h"
#include "core/UDataCenter.h"
#include "report/DataFile.h"
#include "ui/FileDialogs.h"
#include "ui/JobReportWindow.h"
#include "ui/NamedButton.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

namespace {

QString Title() {
    return QCoreApplication::translate("UDlgJobs", "试验任务");
}

template <class W> W* Field(W* widget, const char* name, const QString& label, QFormLayout* form) {
    widget->setObjectName(QLatin1String(name));
    widget->setAccessibleName(label);
    form->addRow(label, widget);
    return widget;
}

QTableView* Table(QAbstractItemModel* model, const char* name, const QString& label, QWidget* parent) {
    auto* view = new QTableView(parent);
    view->setObjectName(QLatin1String(name));
    view->setAccessibleName(label);
    view->setModel(model);
    view->setSortingEnabled(true);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->verticalHeader()->hide();
    view->horizontalHeader()->setStretchLastSection(true);
    return view;
}

void Tell(const QString& text, MsgIcon icon = MsgIcon::Information) {
    ShowMessage(text, AppTitle(), icon);
}

} // namespace

TFrmJobs::TFrmJobs(QWidget* parent, const QString& station) : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(Title());
    resize(1200, 760);
    CreateControls();
    Reload();
    RecordArchive& archive = ProgramArchive::shared().archive();
    EdtSignature->setText(archive.readable() ? TestJobs(archive).signature() : QString());
    const QString current = archive.readable() ? TestJobs(archive).current() : QString();
    if (!current.isEmpty() && station.isEmpty()) {
        ShowJob(current);
    } else {
        BtnNewClick();
        EdtStation->setText(station);
    }
}

void TFrmJobs::CreateControls() {
    m_jobs = MakeJobListModel(this);
    m_jobsShown = new QSortFilterProxyModel(this);
    m_jobsShown->setSourceModel(m_jobs);
    m_jobsShown->setFilterKeyColumn(-1);
    m_jobsShown->setFilterCaseSensitivity(Qt::CaseInsensitive);
    m_rows = MakeJobRowsModel(this);
    auto* rowsShown = new QSortFilterProxyModel(this);
    rowsShown->setSourceModel(m_rows);

    QVBoxLayout* left = CreateJobList();
    QFormLayout* form = CreateJobFields();
    QHBoxLayout* steps = CreateSteps();

    TblRows = Table(rowsShown, "TblRows", QCoreApplication::translate("UDlgJobs", "任务的设备和记录"), this);
    lblSummary = new QLabel(this);
    lblSummary->setObjectName(QStringLiteral("lblSummary"));

    auto* right = new QVBoxLayout;
    right->addLayout(form);
    right->addWidget(lblSummary);
    right->addWidget(TblRows, 1);
    auto* top = new QHBoxLayout;
    top->addLayout(left, 2);
    top->addLayout(right, 5);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(steps);
    ConnectControls();
}

// The job list with its search.
QVBoxLayout* TFrmJobs::CreateJobList() {
    EdtSearch = new QLineEdit(this);
    EdtSearch->setObjectName(QStringLiteral("EdtSearch"));
    EdtSearch->setAccessibleName(QCoreApplication::translate("UDlgJobs", "查找任务"));
    EdtSearch->setPlaceholderText(QCoreApplication::translate("UDlgJobs", "查找任务"));
    EdtSearch->setClearButtonEnabled(true);
    TblJobs = Table(m_jobsShown, "TblJobs", Title(), this);
    auto* left = new QVBoxLayout;
    left->addWidget(EdtSearch);
    left->addWidget(TblJobs, 1);
    return left;
}

// The job's fields, its state and its warning.
QFormLayout* TFrmJobs::CreateJobFields() {
    auto* form = new QFormLayout;
    EdtNumber =
        Field(new QLineEdit(this), "EdtNumber", QCoreApplication::translate("UDlgJobs", "任务编号"), form);
    EdtStation =
        Field(new QLineEdit(this), "EdtStation", QCoreApplication::translate("UDlgJobs", "站名"), form);
    EdtCustomer =
        Field(new QLineEdit(this), "EdtCustomer", QCoreApplication::translate("UDlgJobs", "委托单位"), form);
    CmbKind =
        Field(new QComboBox(this), "CmbKind", QCoreApplication::translate("UDlgJobs", "试验性质"), form);
    for (const QString& kind : JobKinds())
        CmbKind->addItem(JobKindCaption(kind), kind);
    CmbBasis =
        Field(new QComboBox(this), "CmbBasis", QCoreApplication::translate("UDlgJobs", "试验依据"), form);
    CmbBasis->setEditable(true);
    CmbBasis->addItems(JobBasisPresets());
    EdtFirstDay =
        Field(new QDateEdit(this), "EdtFirstDay", QCoreApplication::translate("UDlgJobs", "开始日期"), form);
    EdtLastDay =
        Field(new QDateEdit(this), "EdtLastDay", QCoreApplication::translate("UDlgJobs", "结束日期"), form);
    for (QDateEdit* edit : {EdtFirstDay, EdtLastDay}) {
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    }
    EdtWeather =
        Field(new QLineEdit(this), "EdtWeather", QCoreApplication::translate("UDlgJobs", "天气"), form);
    EdtTemperature = Field(new QLineEdit(this), "EdtTemperature",
                           QCoreApplication::translate("UDlgJobs", "温度(°C)"), form);
    EdtHumidity =
        Field(new QLineEdit(this), "EdtHumidity", QCoreApplication::translate("UDlgJobs", "湿度(%)"), form);
    EdtTesters =
        Field(new QLineEdit(this), "EdtTesters", QCoreApplication::translate("UDlgJobs", "试验人员"), form);
    CmbInstrument =
        Field(new QComboBox(this), "CmbInstrument", QCoreApplication::translate("UDlgJobs", "仪器"), form);
    EdtPlanned = Field(new QPlainTextEdit(this), "EdtPlanned",
                       QCoreApplication::translate("UDlgJobs", "计划设备（每行一个）"), form);
    EdtPlanned->setMaximumHeight(90);
    EdtConclusion =
        Field(new QLineEdit(this), "EdtConclusion", QCoreApplication::translate("UDlgJobs", "结论"), form);
    EdtNotes = Field(new QLineEdit(this), "EdtNotes", QCoreApplication::translate("UDlgJobs", "备注"), form);
    EdtSignature =
        Field(new QLineEdit(this), "EdtSignature", QCoreApplication::translate("UDlgJobs", "本机签名"), form);
    EdtReason = Field(new QLineEdit(this), "EdtReason",
                      QCoreApplication::translate("UDlgJobs", "退回原因 / 修订说明"), form);
    lblState = new QLabel(this);
    lblState->setObjectName(QStringLiteral("lblState"));
    lblWarning = new QLabel(this);
    lblWarning->setObjectName(QStringLiteral("lblWarning"));
    lblWarning->setStyleSheet(QStringLiteral("color: #b00000"));
    lblWarning->setWordWrap(true);
    form->addRow(lblState);
    form->addRow(lblWarning);
    return form;
}

// The job's steps, one button each.
QHBoxLayout* TFrmJobs::CreateSteps() {
    BtnNew = NamedButton(QCoreApplication::translate("UDlgJobs", "新建任务"), "BtnNew", this);
    BtnSave = NamedButton(QCoreApplication::translate("UDlgJobs", "保存"), "BtnSave", this);
    BtnCurrent = NamedButton(QCoreApplication::translate("UDlgJobs", "设为当前任务"), "BtnCurrent", this);
    BtnAddRecords =
        NamedButton(QCoreApplication::translate("UDlgJobs", "按设备和日期添加记录"), "BtnAddRecords", this);
    BtnSubmit = NamedButton(QCoreApplication::translate("UDlgJobs", "提交审核"), "BtnSubmit", this);
    BtnCheck = NamedButton(QCoreApplication::translate("UDlgJobs", "审核"), "BtnCheck", this);
    BtnApprove = NamedButton(QCoreApplication::translate("UDlgJobs", "批准"), "BtnApprove", this);
    BtnSendBack = NamedButton(QCoreApplication::translate("UDlgJobs", "退回"), "BtnSendBack", this);
    BtnGoOn = NamedButton(QCoreApplication::translate("UDlgJobs", "仪器过期仍继续"), "BtnGoOn", this);
    BtnRevise = NamedButton(QCoreApplication::translate("UDlgJobs", "建立新版本"), "BtnRevise", this);
    BtnReport = NamedButton(QCoreApplication::translate("UDlgJobs", "报告…"), "BtnReport", this);
    BtnExport = NamedButton(QCoreApplication::translate("UDlgJobs", "导出任务文件…"), "BtnExport", this);
    BtnImport = NamedButton(QCoreApplication::translate("UDlgJobs", "导入任务文件…"), "BtnImport", this);
    ChkTrends = new QCheckBox(QCoreApplication::translate("UDlgJobs", "附趋势图"), this);
    ChkTrends->setObjectName(QStringLiteral("ChkTrends"));
    auto* steps = new QHBoxLayout;
    for (QPushButton* button : {BtnNew, BtnSave, BtnCurrent, BtnAddRecords, BtnGoOn, BtnSubmit, BtnCheck,
                                BtnApprove, BtnSendBack, BtnRevise, BtnReport, BtnExport, BtnImport})
        steps->addWidget(button);
    steps->addWidget(ChkTrends);
    return steps;
}

void TFrmJobs::ConnectControls() {
    connect(EdtSearch, &QLineEdit::textChanged, m_jobsShown, &QSortFilterProxyModel::setFilterFixedString);
    connect(TblJobs->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& index) {
                if (index.isValid())
                    ShowJob(m_jobs->value(m_jobsShown->mapToSource(index).row()).uuid);
            });
    connect(BtnNew, &QPushButton::clicked, this, &TFrmJobs::BtnNewClick);
    connect(BtnSave, &QPushButton::clicked, this, &TFrmJobs::BtnSaveClick);
    connect(BtnCurrent, &QPushButton::clicked, this, &TFrmJobs::BtnCurrentClick);
    connect(BtnAddRecords, &QPushButton::clicked, this, &TFrmJobs::BtnAddRecordsClick);
    connect(BtnSubmit, &QPushButton::clicked, this, &TFrmJobs::BtnSubmitClick);
    connect(BtnCheck, &QPushButton::clicked, this, &TFrmJobs::BtnCheckClick);
    connect(BtnApprove, &QPushButton::clicked, this, &TFrmJobs::BtnApproveClick);
    connect(BtnSendBack, &QPushButton::clicked, this, &TFrmJobs::BtnSendBackClick);
    connect(BtnGoOn, &QPushButton::clicked, this, &TFrmJobs::BtnGoOnClick);
    connect(BtnRevise, &QPushButton::clicked, this, &TFrmJobs::BtnReviseClick);
    connect(BtnReport, &QPushButton::clicked, this, &TFrmJobs::BtnReportClick);
    connect(BtnExport, &QPushButton::clicked, this, &TFrmJobs::BtnExportClick);
    connect(BtnImport, &QPushButton::clicked, this, &TFrmJobs::BtnImportClick);
    connect(EdtStation, &QLineEdit::editingFinished, this, [this] {
        if (m_job.uuid.isEmpty())
            EdtNumber->setText(TestJobs(ProgramArchive::shared().archive())
                                   .proposeNumber(EdtStation->text(), EdtFirstDay->date()));
    });
}

void TFrmJobs::Reload() {
    RecordArchive& archive = ProgramArchive::shared().archive();
    TestJobs jobs(archive);
    const Result<std::vector<TestJob>> all =
        archive.readable() ? jobs.jobs() : Result<std::vector<TestJob>>(std::vector<TestJob>{});
    m_jobs->setValues(all ? *all : std::vector<TestJob>{});
    const Result<std::vector<Instrument>> instruments =
        archive.readable() ? jobs.instruments() : Result<std::vector<Instrument>>(std::vector<Instrument>{});
    m_instruments = instruments ? *instruments : std::vector<Instrument>{};
    CmbInstrument->clear();
    CmbInstrument->addItem(QString(), QString());
    for (const Instrument& instrument : m_instruments)
        CmbInstrument->addItem(QStringLiteral("%1 %2").arg(instrument.model, instrument.serial),
                               instrument.uuid);
}

void TFrmJobs::ShowJob(const QString& uuid) {
    RecordArchive& archive = ProgramArchive::shared().archive();
    TestJobs jobs(archive);
    const Result<TestJob> found = jobs.job(uuid);
    if (!found)
        return;
    m_job = *found;
    ShowFields();
    const Result<std::vector<JobRow>> rows = jobs.rows(uuid);
    m_rows->setValues(rows ? *rows : std::vector<JobRow>{});
    lblSummary->setText(rows ? Summarize(*rows).text() : rows.reason());
    const QString warning = CalibrationWarning(m_job, jobs.instrument(m_job.instrument));
    lblWarning->setText(warning.isEmpty() || m_job.expiredBy.isEmpty()
                            ? warning
                            : warning + QCoreApplication::translate("UDlgJobs", "（%1 于 %2 确认继续）")
                                            .arg(m_job.expiredBy, m_job.expiredAt));
}

void TFrmJobs::ShowFields() {
    EdtNumber->setText(m_job.number);
    EdtStation->setText(m_job.station);
    EdtCustomer->setText(m_job.customer);
    CmbKind->setCurrentIndex(std::max(0, CmbKind->findData(m_job.kind)));
    CmbBasis->setCurrentText(m_job.basis);
    EdtFirstDay->setDate(m_job.firstDay.isValid() ? m_job.firstDay : QDate::currentDate());
    EdtLastDay->setDate(m_job.lastDay.isValid() ? m_job.lastDay : EdtFirstDay->date());
    EdtWeather->setText(m_job.weather);
    EdtTemperature->setText(m_job.temperature);
    EdtHumidity->setText(m_job.humidity);
    EdtTesters->setText(m_job.testers);
    CmbInstrument->setCurrentIndex(std::max(0, CmbInstrument->findData(m_job.instrument)));
    EdtPlanned->setPlainText(m_job.planned.join(QLatin1Char('\n')));
    EdtConclusion->setText(m_job.conclusion);
    EdtNotes->setText(m_job.notes);
    QStringList state{JobStateText(m_job.state)};
    const std::pair<QString, QString> signs[] = {
        {QCoreApplication::translate("UDlgJobs", "编制"), m_job.recordedBy},
        {QCoreApplication::translate("UDlgJobs", "审核"), m_job.checkedBy},
        {QCoreApplication::translate("UDlgJobs", "批准"), m_job.approvedBy}};
    for (const auto& [what, who] : signs)
        if (!who.isEmpty())
            state << QCoreApplication::translate("UDlgJobs", "%1：%2").arg(what, who);
    if (!m_job.returnedWhy.isEmpty())
        state << QCoreApplication::translate("UDlgJobs", "退回原因：%1").arg(m_job.returnedWhy);
    if (!m_job.revisionNote.isEmpty())
        state << QCoreApplication::translate("UDlgJobs", "%1：%2").arg(m_job.title(), m_job.revisionNote);
    lblState->setText(state.join(QCoreApplication::translate("UDlgJobs", "　")));
    const bool draft = m_job.state == JobState::Draft;
    for (QPushButton* button : {BtnSave, BtnAddRecords, BtnGoOn, BtnSubmit})
        button->setEnabled(draft);
    for (QPushButton* button : {BtnCheck, BtnApprove, BtnSendBack})
        button->setEnabled(m_job.state == JobState::Checking);
    BtnRevise->setEnabled(m_job.state == JobState::Approved);
    BtnCurrent->setEnabled(!m_job.uuid.isEmpty());
    BtnReport->setEnabled(!m_job.uuid.isEmpty());
    BtnExport->setEnabled(!m_job.uuid.isEmpty());
}

TestJob TFrmJobs::TypedJob() const {
    TestJob job = m_job;
    job.number = EdtNumber->text();
    job.station = TrimText(EdtStation->text());
    job.customer = TrimText(EdtCustomer->text());
    job.kind = CmbKind->currentData().toString();
    job.basis = TrimText(CmbBasis->currentText());
    job.firstDay = EdtFirstDay->date();
    job.lastDay = EdtLastDay->date();
    job.weather = TrimText(EdtWeather->text());
    job.temperature = EdtTemperature->text();
    job.humidity = EdtHumidity->text();
    job.testers = TrimText(EdtTesters->text());
    job.instrument = CmbInstrument->currentData().toString();
    job.planned.clear();
    for (const QString& line : EdtPlanned->toPlainText().split(QLatin1Char('\n')))
        if (!TrimText(line).isEmpty())
            job.planned << TrimText(line);
    job.conclusion = TrimText(EdtConclusion->text());
    job.notes = TrimText(EdtNotes->text());
    return job;
}

void TFrmJobs::BtnNewClick() {
    m_job = TestJob{};
    m_job.firstDay = m_job.lastDay = QDate::currentDate();
    ShowFields();
    m_rows->setValues({});
    lblSummary->clear();
    lblWarning->clear();
}

void TFrmJobs::StartJob(const TestJob& job) {
    BtnNewClick();
    m_job = job;
    m_job.uuid.clear();
    ShowFields();
}

bool TFrmJobs::BtnSaveClick() {
    RecordArchive& archive = ProgramArchive::shared().writableArchive();
    const Result<QString> saved = TestJobs(archive).save(TypedJob());
    if (!saved) {
        Tell(saved.reason(), MsgIcon::Warning);
        return false;
    }
    Reload();
    ShowJob(*saved);
    emit jobsChanged();
    return true;
}

void TFrmJobs::BtnCurrentClick() {
    if (m_job.uuid.isEmpty())
        return;
    if (const Outcome set = TestJobs(ProgramArchive::shared().writableArchive()).setCurrent(m_job.uuid);
        !set) {
        Tell(set.reason(), MsgIcon::Warning);
        return;
    }
    emit jobsChanged();
}

void TFrmJobs::BtnAddRecordsClick() {
    if (m_job.uuid.isEmpty() && !BtnSaveClick())
        return;
    const TestJob typed = TypedJob();
    const Result<int> added = TestJobs(ProgramArchive::shared().writableArchive())
                                  .addRecords(m_job.uuid, typed.planned, typed.firstDay, typed.lastDay);
    if (!added) {
        Tell(added.reason(), MsgIcon::Warning);
        return;
    }
    ShowJob(m_job.uuid);
    Tell(QCoreApplication::translate("UDlgJobs", "已添加 %1 条记录。").arg(*added));
}

void TFrmJobs::Step(const std::function<Outcome(TestJobs&)>& step) {
    RecordArchive& archive = ProgramArchive::shared().writableArchive();
    TestJobs jobs(archive);
    Outcome done = TrimText(EdtSignature->text()) == jobs.signature()
                       ? Outcome()
                       : jobs.setSignature(EdtSignature->text());
    if (done)
        done = step(jobs);
    if (!done)
        Tell(done.reason(), MsgIcon::Warning);
    Reload();
    ShowJob(m_job.uuid);
    emit jobsChanged();
}

void TFrmJobs::BtnSubmitClick() {
    if (BtnSaveClick())
        Step([this](TestJobs& jobs) { return jobs.submit(m_job.uuid); });
}

void TFrmJobs::BtnCheckClick() {
    Step([this](TestJobs& jobs) { return jobs.check(m_job.uuid); });
}

void TFrmJobs::BtnApproveClick() {
    Step([this](TestJobs& jobs) { return jobs.approve(m_job.uuid); });
}

void TFrmJobs::BtnSendBackClick() {
    Step([this](TestJobs& jobs) { return jobs.sendBack(m_job.uuid, EdtReason->text()); });
}

void TFrmJobs::BtnGoOnClick() {
    Step([this](TestJobs& jobs) { return jobs.goOnWithExpired(m_job.uuid); });
}

void TFrmJobs::BtnReviseClick() {
    QString fresh;
    Step([&](TestJobs& jobs) {
        const Result<QString> made = jobs.revise(m_job.uuid, EdtReason->text());
        if (made)
            fresh = *made;
        return Outcome(made);
    });
    if (!fresh.isEmpty())
        ShowJob(fresh);
}

void TFrmJobs::BtnReportClick() {
    if (!m_job.uuid.isEmpty())
        ShowJobReport(m_job.uuid, ChkTrends->isChecked(), this);
}

void TFrmJobs::BtnExportClick() {
    FileDialogRequest request;
    request.kind = FileDialogKind::Save;
    request.title = QCoreApplication::translate("UDlgJobs", "导出任务文件");
    request.filters = {QCoreApplication::translate("UDlgJobs", "试验任务文件(*.json)")};
    request.initialFolder = EnsureDataFolder();
    request.proposedName = m_job.title() + QStringLiteral(".json");
    request.defaultSuffix = QStringLiteral("json");
    const QString fileName = ChooseFileName(request);
    if (fileName.isEmpty())
        return;
    if (const Outcome written = ExportJobFile(ProgramArchive::shared().archive(), m_job.uuid, fileName);
        !written)
        ShowMessage(written.reason(), AppTitle(), MsgIcon::Warning);
}

void TFrmJobs::BtnImportClick() {
    FileDialogRequest request;
    request.kind = FileDialogKind::Open;
    request.title = QCoreApplication::translate("UDlgJobs", "导入任务文件");
    request.filters = {QCoreApplication::translate("UDlgJobs", "试验任务文件(*.json)")};
    request.initialFolder = EnsureDataFolder();
    request.mustExist = true;
    const QString fileName = ChooseFileName(request);
    if (fileName.isEmpty())
        return;
    const Result<JobImport> imported = ImportJobFile(ProgramArchive::shared().archive(), fileName);
    if (!imported) {
        ShowMessage(imported.reason(), AppTitle(), MsgIcon::Warning);
        return;
    }
    Reload();
    ShowJob(imported->job);
    emit jobsChanged();
    ShowMessage(imported->text(), AppTitle(), MsgIcon::Information);
}

void OfferJobInstrument(const QString& serial) {
    RecordArchive* archive = ProgramArchive::shared().existingArchive();
    if (!archive || !archive->writable() || TrimText(serial).isEmpty())
        return;
    TestJobs jobs(*archive);
    const Result<TestJob> current = jobs.job(jobs.current());
    if (!current || current->state != JobState::Draft)
        return;
    std::optional<Instrument> known = jobs.instrumentBySerial(serial);
    if (known && known->uuid == current->instrument)
        return;
    if (!known) {
        const QString question =
            QCoreApplication::translate("UDlgJobs",
                                        "仪器台账中没有出厂编号为“%1”的仪器。是否添加，并用于当前任务“%2”？")
                .arg(TrimText(serial), current->title());
        if (ShowMessage(question, AppTitle(), MsgIcon::Question, MsgButtons::YesNo) != MsgResult::Yes)
            return;
        Instrument added;
        added.serial = serial;
        const Result<QString> saved = jobs.saveInstrument(added);
        if (!saved) {
            Tell(saved.reason(), MsgIcon::Warning);
            return;
        }
        known = jobs.instrument(*saved);
    }
    if (const Outcome used = jobs.useInstrument(known->uuid); !used)
        Tell(used.reason(), MsgIcon::Warning);
    emit ProgramArchive::shared().jobsChanged();
}
