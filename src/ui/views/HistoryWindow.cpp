#include "HistoryWindow.h"

#include "ArchiveChartData.h"
#include "ArchiveChartPlot.h"
#include "ArchiveChartWindow.h"
#include "AtomicFile.h"
#include "CsvTable.h"
#include "DeviceArchive.h"
#include "DeviceValues.h"
#include "HistoryStore.h"
#include "OpenProtocolVarList.h"
#include "OperatorDialogs.h"
#include "Win1251.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kTitle = QStringLiteral("История");
const QString kInstallation = QStringLiteral("Прибор %1, заводской № %2");
const QString kRecords = QStringLiteral("Записей за период: %1");
const QString kEnvelopeNotice = QStringLiteral("(по %1 на точку графика: наименьшее и наибольшее значение)");
const QString kGaps = QStringLiteral("Пропусков в истории: %1");
const QString kGapLine = QStringLiteral("%1 — %2");
const QString kNoStore = QStringLiteral("Базу истории открыть не удалось: %1");
const QString kEmptyStore =
    QStringLiteral("В базе истории нет записей. Их приносит «Синхронизировать» на странице «Архив».");
const QString kExportFailed = QStringLiteral("Записать записи в файл не удалось!");
const QString kReadFailed = QStringLiteral("Прочитать записи из базы истории не удалось!");
const QString kMomentFormat = QStringLiteral("dd.MM.yyyy HH:mm");

const TOperatorDialogs::TFileRequest kCsvFiles{QStringLiteral("Таблица CSV (*.csv)"), QStringLiteral("csv")};
const TOperatorDialogs::TFileRequest kDafFiles{QStringLiteral("Файлы архивов (*.daf)"), QStringLiteral("daf")};

const char* const kPeriodNames[] = {"Сутки", "Неделя", "Месяц", "Год", "Всё"};

// The variables whose envelope the chart draws: the measured values and the
// alarm settings drawn as their levels. Every aggregate costs a pass over
// the period's rows, so the state columns (mode, status, contacts, alarm
// flags), which start hidden, come only with a period short enough to be
// read whole.
QByteArrayList EnvelopeColumns() {
  static const QByteArrayList kLevels = {"ALPHAALARM1", "ALPHAALARM2", "BETAALARM1", "BETAALARM2"};
  QByteArrayList columns;
  for (const QByteArray& name : THistoryStore::ArchiveColumns())
    if (name != "DATETIME" && !TArchiveChartData::IsTextColumn(name) &&
        (TArchiveChartData::ShownByDefault(name) || kLevels.contains(name)))
      columns << name;
  return columns;
}

QByteArray EnvelopeValue(double value) { return QByteArray::number(value, 'g', 7); }

}  // namespace

THistoryWindow::THistoryWindow(TOperatorDialogs& dialogs, QHash<QByteArray, QString> captions, QWidget* owner)
    : QWidget(owner, Qt::Window), FDialogs(dialogs), FCaptions(std::move(captions)) {
  setObjectName(QStringLiteral("HistoryWindow"));
  setWindowTitle(kTitle);
  resize(1100, 760);

  FInstallationBox = new QComboBox(this);
  FInstallationBox->setObjectName(QStringLiteral("InstallationBox"));
  FInstallationBox->setAccessibleName(QStringLiteral("Установка"));
  // Room for "Прибор 247, заводской № 00107" before any is known.
  FInstallationBox->setMinimumContentsLength(30);
  FInstallationBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  FFromEdit = new QDateTimeEdit(this);
  FToEdit = new QDateTimeEdit(this);
  for (QDateTimeEdit* edit : {FFromEdit, FToEdit}) {
    edit->setDisplayFormat(kMomentFormat);
    edit->setCalendarPopup(true);
  }
  FFromEdit->setObjectName(QStringLiteral("FromEdit"));
  FFromEdit->setAccessibleName(QStringLiteral("С"));
  FToEdit->setObjectName(QStringLiteral("ToEdit"));
  FToEdit->setAccessibleName(QStringLiteral("По"));
  FShowButton = new QPushButton(QStringLiteral("Показать"), this);
  FShowButton->setObjectName(QStringLiteral("ShowButton"));

  auto* periodBar = new QHBoxLayout;
  periodBar->addWidget(new QLabel(QStringLiteral("Установка:"), this));
  periodBar->addWidget(FInstallationBox);
  periodBar->addSpacing(12);
  periodBar->addWidget(new QLabel(QStringLiteral("с"), this));
  periodBar->addWidget(FFromEdit);
  periodBar->addWidget(new QLabel(QStringLiteral("по"), this));
  periodBar->addWidget(FToEdit);
  periodBar->addWidget(FShowButton);
  periodBar->addSpacing(12);
  for (int kind = 0; kind < 5; ++kind) {
    FPeriodButtons[kind] = new QPushButton(QString::fromUtf8(kPeriodNames[kind]), this);
    FPeriodButtons[kind]->setObjectName(QStringLiteral("PeriodButton%1").arg(kind));
    connect(FPeriodButtons[kind], &QPushButton::clicked, this,
            [this, kind] { ShowPeriod(static_cast<TPeriodKind>(kind)); });
    periodBar->addWidget(FPeriodButtons[kind]);
  }
  periodBar->addStretch(1);

  FCountLabel = new QLabel(this);
  FCountLabel->setObjectName(QStringLiteral("CountLabel"));
  FGapsLabel = new QLabel(this);
  FGapsLabel->setObjectName(QStringLiteral("GapsLabel"));
  FStatusLabel = new QLabel(this);
  FStatusLabel->setObjectName(QStringLiteral("StatusLabel"));
  FStatusLabel->setWordWrap(true);
  FStatusLabel->hide();
  FExportCsvButton = new QPushButton(QStringLiteral("Сохранить CSV..."), this);
  FExportCsvButton->setObjectName(QStringLiteral("ExportCsvButton"));
  FExportCsvButton->setToolTip(QStringLiteral("Записи периода таблицей CSV"));
  FExportDafButton = new QPushButton(QStringLiteral("Сохранить архив..."), this);
  FExportDafButton->setObjectName(QStringLiteral("ExportDafButton"));
  FExportDafButton->setToolTip(QStringLiteral("Записи периода файлом архива .daf"));
  auto* countBar = new QHBoxLayout;
  countBar->addWidget(FCountLabel);
  countBar->addSpacing(16);
  countBar->addWidget(FGapsLabel);
  countBar->addStretch(1);
  countBar->addWidget(FExportCsvButton);
  countBar->addWidget(FExportDafButton);

  // The archive chart's own window, set in this one.
  FChart = new TArchiveChartWindow(dialogs, this);
  FChart->setWindowFlags(Qt::Widget);
  FChart->SaveRecordsButton()->hide();

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(periodBar);
  layout->addLayout(countBar);
  layout->addWidget(FStatusLabel);
  layout->addWidget(FChart, 1);

  connect(FInstallationBox, &QComboBox::currentIndexChanged, this, &THistoryWindow::InstallationBoxChanged);
  connect(FShowButton, &QPushButton::clicked, this, &THistoryWindow::ShowButtonClick);
  connect(FExportCsvButton, &QPushButton::clicked, this, &THistoryWindow::ExportCsvButtonClick);
  connect(FExportDafButton, &QPushButton::clicked, this, &THistoryWindow::ExportDafButtonClick);
}

THistoryWindow::~THistoryWindow() = default;

double THistoryWindow::ChartMoment(const QDateTime& moment) {
  const QDateTime local = moment.toLocalTime();
  return static_cast<double>(QDateTime(local.date(), local.time(), Qt::UTC).toSecsSinceEpoch());
}

void THistoryWindow::SetDatabase(const QString& databaseName) {
  FDatabaseName = databaseName;
  // The store makes its file, not the folders above it (the user's data
  // folder does not exist before the first run).
  if (!THistoryStore::IsPostgresName(databaseName)) QDir().mkpath(QFileInfo(databaseName).absolutePath());
  FStore = std::make_unique<THistoryStore>(databaseName);
  FStore->Open();
  FAll = false;
  FillInstallations();
  ShowPeriod(TPeriodKind::Day);
}

void THistoryWindow::Refresh() {
  if (!FStore) return;
  FillInstallations();
  if (FAll)
    ShowPeriod(TPeriodKind::All);
  else
    Draw();
}

void THistoryWindow::FillInstallations() {
  const qint64 current = Installation();
  const QSignalBlocker blocker(FInstallationBox);
  FInstallationBox->clear();
  if (!FStore || !FStore->IsOpen()) return;
  for (const THistoryInstallation& installation : FStore->Installations())
    FInstallationBox->addItem(
        kInstallation.arg(installation.Address).arg(Win1251::ToUnicode(installation.SerialNumber)), installation.Id);
  const int index = FInstallationBox->findData(current);
  FInstallationBox->setCurrentIndex(index >= 0 ? index : 0);
}

qint64 THistoryWindow::Installation() const {
  return FInstallationBox->currentIndex() >= 0 ? FInstallationBox->currentData().toLongLong() : 0;
}

THistoryPeriod THistoryWindow::Period() const {
  if (FAll) return {};
  return {FFromEdit->dateTime(), FToEdit->dateTime()};
}

void THistoryWindow::InstallationBoxChanged() { ShowPeriod(FAll ? TPeriodKind::All : TPeriodKind::Day); }

void THistoryWindow::ShowPeriod(TPeriodKind kind) {
  const qint64 installation = Installation();
  QDateTime newest = FStore && installation > 0 ? FStore->NewestMoment(installation) : QDateTime();
  if (!newest.isValid()) newest = QDateTime::currentDateTime();
  newest = newest.toLocalTime();
  // The edits count minutes: the newest record stays inside the period.
  const QDateTime to = QDateTime(newest.date(), QTime(newest.time().hour(), newest.time().minute())).addSecs(60);
  QDateTime from;
  switch (kind) {
    case TPeriodKind::Day:
      from = to.addDays(-1);
      break;
    case TPeriodKind::Week:
      from = to.addDays(-7);
      break;
    case TPeriodKind::Month:
      from = to.addMonths(-1);
      break;
    case TPeriodKind::Year:
      from = to.addYears(-1);
      break;
    case TPeriodKind::All: {
      const QDateTime oldest = FStore && installation > 0 ? FStore->OldestMoment(installation) : QDateTime();
      from = oldest.isValid() ? oldest.toLocalTime() : to.addDays(-1);
      break;
    }
  }
  FAll = kind == TPeriodKind::All;
  FFromEdit->setDateTime(from);
  FToEdit->setDateTime(to);
  Draw();
}

void THistoryWindow::ShowEditedPeriod() {
  FAll = false;
  Draw();
}

void THistoryWindow::ShowButtonClick() { ShowEditedPeriod(); }

void THistoryWindow::Draw() {
  FStatusLabel->hide();
  FGaps.clear();
  FPeriodRecords = 0;
  FEnvelope = false;
  const qint64 installation = Installation();
  auto archive = std::make_unique<TDeviceArchive>();
  if (!FStore || !FStore->IsOpen()) {
    FStatusLabel->setText(kNoStore.arg(FStore ? FStore->ErrorText() : QString()));
    FStatusLabel->show();
  } else if (installation == 0) {
    FStatusLabel->setText(kEmptyStore);
    FStatusLabel->show();
  } else {
    // A year takes the database a moment; the pointer says so.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const std::unique_ptr<void, void (*)(void*)> restore(this, [](void*) { QApplication::restoreOverrideCursor(); });
    const THistoryPeriod period = Period();
    FPeriodRecords = FStore->CountRecords(installation, period);
    FEnvelope = FPeriodRecords > kFullRecords;
    if (FEnvelope)
      archive = EnvelopeArchive();
    else
      ReadPeriod(*archive);
    for (const THistoryGap& gap : FStore->Gaps(installation, period))
      FGaps.push_back({ChartMoment(gap.From), ChartMoment(gap.To)});
  }
  const bool records = FPeriodRecords > 0;
  FExportCsvButton->setEnabled(records);
  FExportDafButton->setEnabled(records);
  FChart->setWindowTitle(
      FInstallationBox->currentIndex() >= 0 ? kTitle + QStringLiteral(": ") + FInstallationBox->currentText() : kTitle);
  FChart->SetArchive(*archive, Captions(*archive));
  FChart->ChartPlot()->SetGaps(FGaps);

  QString count = kRecords.arg(QLocale().toString(static_cast<qlonglong>(FPeriodRecords)));
  if (FEnvelope) {
    const qint64 seconds = FFromEdit->dateTime().secsTo(FToEdit->dateTime()) / kEnvelopeColumns;
    count += QStringLiteral(" ") +
             kEnvelopeNotice.arg(seconds >= 3600 ? QStringLiteral("%1 ч").arg(seconds / 3600.0, 0, 'g', 3)
                                                 : QStringLiteral("%1 мин").arg(std::max<qint64>(1, seconds / 60)));
  }
  FCountLabel->setText(count);
  FGapsLabel->setText(kGaps.arg(FGaps.size()));
  QStringList gapLines;
  for (const ChartAxis::TRange& gap : FGaps)
    if (gapLines.size() < 20)
      gapLines << kGapLine.arg(ChartAxis::MomentLabel(gap.From), ChartAxis::MomentLabel(gap.To));
  FGapsLabel->setToolTip(gapLines.join('\n'));
}

bool THistoryWindow::ReadPeriod(TDeviceArchive& archive) {
  if (FStore->ReadRecords(Installation(), Period(), archive)) return true;
  Warning(kReadFailed);
  return false;
}

std::unique_ptr<TDeviceArchive> THistoryWindow::EnvelopeArchive() {
  // Each pixel column becomes two records at its middle: the least and the
  // greatest value of every column. The chart draws from them what it
  // would draw from every record of the column.
  const QByteArrayList columns = EnvelopeColumns();
  const THistoryEnvelope envelope = FStore->Envelope(Installation(), Period(), columns, kEnvelopeColumns);
  auto archive = std::make_unique<TDeviceArchive>();
  TOPVarList names;
  names.Add("DATETIME");
  for (const QByteArray& name : envelope.Columns) names.Add(name);
  archive->SetColumns(names);
  const int width = envelope.Buckets.empty() ? 0 : static_cast<int>(envelope.Buckets.front().size());
  const qint64 span = envelope.From.secsTo(envelope.To);
  for (int pixel = 0; pixel < width; ++pixel) {
    bool any = false;
    bool spread = false;
    for (const auto& column : envelope.Buckets) {
      const THistoryEnvelope::TBucket& bucket = column[static_cast<size_t>(pixel)];
      any = any || bucket.Records > 0;
      spread = spread || (bucket.Records > 0 && bucket.Min != bucket.Max);
    }
    if (!any) continue;
    const QDateTime middle = envelope.From.addSecs(span * (2 * pixel + 1) / (2 * width)).toLocalTime();
    const QByteArray time = DeviceValues::FormatDeviceDateTime(middle.date(), middle.time());
    // The least values, and the greatest where a column spreads.
    for (int pass = 0; pass < (spread ? 2 : 1); ++pass) {
      const bool greatest = pass == 1;
      TOPVarList record;
      record.Add("DATETIME", {}, time);
      for (int c = 0; c < envelope.Columns.size(); ++c) {
        const THistoryEnvelope::TBucket& bucket = envelope.Buckets[static_cast<size_t>(c)][static_cast<size_t>(pixel)];
        record.Add(envelope.Columns[c], {},
                   bucket.Records > 0 ? EnvelopeValue(greatest ? bucket.Max : bucket.Min) : QByteArray());
      }
      archive->AppendRecord(record);
    }
  }
  return archive;
}

QStringList THistoryWindow::Captions(const TDeviceArchive& archive) const {
  QStringList captions;
  const int columns = archive.Columns() ? archive.Columns()->Count() : 0;
  for (int c = 0; c < columns; ++c) captions << FCaptions.value(archive.Columns()->GetItem(c)->Name);
  return captions;
}

void THistoryWindow::ExportCsvButtonClick() {
  const QString fileName = FDialogs.SaveFileName(kCsvFiles);
  if (fileName.isEmpty()) return;
  TDeviceArchive archive;
  if (!ReadPeriod(archive)) return;
  if (!SaveFileAtomically(fileName, ArchiveToCsv(archive, TCsvFormat::ForLocale(QLocale::system()))))
    Warning(kExportFailed);
}

void THistoryWindow::ExportDafButtonClick() {
  const QString fileName = FDialogs.SaveFileName(kDafFiles);
  if (fileName.isEmpty()) return;
  TDeviceArchive archive;
  if (!ReadPeriod(archive)) return;
  TOPVarList captions;
  for (const QString& caption : Captions(archive)) captions.Add(Win1251::FromUnicode(caption));
  archive.SetCaptions(captions);
  if (!archive.SaveFile(fileName)) Warning(kExportFailed);
}

void THistoryWindow::Warning(const QString& text) {
  FDialogs.Message(TOperatorDialogs::TMessageKind::Warning, text, QMessageBox::Yes);
}
