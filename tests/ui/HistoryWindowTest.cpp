#include "ArchiveChartData.h"
#include "ArchiveChartWindow.h"
#include "ArchiveGenerator.h"
#include "ArchivePage.h"
#include "DeviceArchive.h"
#include "HistoryDatabaseDialog.h"
#include "HistoryFile.h"
#include "HistoryStore.h"
#include "HistoryWindow.h"
#include "ListBoxLog.h"
#include "MainFormFixture.h"
#include "NGAS.h"
#include "TransferWaitWindow2.h"
#include "Win1251.h"

#include <QAction>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

namespace {

using TPeriodKind = THistoryWindow::TPeriodKind;

constexpr int kInterval = 60;

// A store of minute records with a hole of 101 records early on, made as
// the sync would make it.
struct TFilledStore {
  TFilledStore(int records, int holeFrom, int holeTo) : Path(Dir.filePath(QStringLiteral("history.sqlite"))) {
    const TNGAS ngas(nullptr);
    const TArchiveGenerator generator(records, QDateTime(QDate(2026, 12, 1), QTime(0, 0)), kInterval,
                                      {"00107", "10", "20", "30", "40"});
    TDeviceArchive archive;
    archive.SetColumns(ngas.ArchVarList());
    for (int r = 1; r <= records; ++r)
      if (r < holeFrom || r > holeTo) archive.AppendRecord(*generator.Record(ngas.ArchVarList(), r));
    THistoryStore store(Path);
    EXPECT_TRUE(store.Open()) << store.ErrorText().toStdString();
    EXPECT_EQ(store.StoreArchive(1, archive), records - (holeTo - holeFrom + 1));
  }
  QTemporaryDir Dir;
  QString Path;
};

QHash<QByteArray, QString> Captions() {
  const TNGAS ngas(nullptr);
  QHash<QByteArray, QString> captions;
  for (int c = 0; c < ngas.ArchVarList().Count(); ++c)
    captions.insert(ngas.ArchVarList().GetItem(c)->Name,
                    Win1251::ToUnicode(ngas.ArchCaptionVarList().GetItem(c)->Name));
  return captions;
}

}  // namespace

TEST(HistoryWindow, PeriodsCountRecordsMarkGapsDrawLongOnesAsAnEnvelopeAndExport) {
  const int records = 9000;
  const TFilledStore filled(records, 1000, 1100);
  const int stored = records - 101;
  TScriptedDialogs dialogs;
  THistoryWindow window(dialogs, Captions());
  window.resize(1100, 700);
  window.show();
  window.SetDatabase(filled.Path);
  ASSERT_FALSE(window.StatusLabel()->isVisible()) << window.StatusLabel()->text().toStdString();
  ASSERT_EQ(window.InstallationBox()->count(), 1);
  EXPECT_EQ(window.InstallationBox()->currentText(), QStringLiteral("Прибор 1, заводской № 00107"));

  const struct {
    TPeriodKind kind;
    int64_t count;
    bool envelope;
    size_t gaps;
  } periods[] = {
      {TPeriodKind::Day, 1440, false, 0},  {TPeriodKind::Week, stored, true, 1}, {TPeriodKind::Month, stored, true, 1},
      {TPeriodKind::All, stored, true, 1}, {TPeriodKind::Day, 1440, false, 0},
  };
  for (const auto& period : periods) {
    SCOPED_TRACE(static_cast<int>(period.kind));
    window.PeriodButton(period.kind)->click();
    EXPECT_EQ(window.PeriodRecords(), period.count);
    EXPECT_EQ(window.ShowsEnvelope(), period.envelope);
    EXPECT_TRUE(window.CountLabel()->text().startsWith(QStringLiteral("Записей за период: ")));
    ASSERT_EQ(window.GapRanges().size(), period.gaps);
    EXPECT_EQ(window.GapsLabel()->text(), QStringLiteral("Пропусков в истории: %1").arg(period.gaps));
    const TArchiveChartData& data = window.Chart()->Data();
    // Never a row per record in the widgets for a long period.
    EXPECT_LE(data.RecordCount(), period.envelope ? 2 * THistoryWindow::kEnvelopeColumns : period.count);
    EXPECT_GT(data.RecordCount(), 0);
    EXPECT_GE(data.Series().size(), 5u);
    if (period.gaps > 0) {
      // The hole: the record before it to the record after it, 102 minutes.
      EXPECT_NEAR(window.GapRanges()[0].Span(), 102 * kInterval, 1);
    }
  }

  // The period typed in the edits: the first hundred minutes.
  window.FromEdit()->setDateTime(QDateTime(QDate(2026, 12, 1), QTime(0, 0)).addSecs(-kInterval * (records - 1)));
  window.ToEdit()->setDateTime(window.FromEdit()->dateTime().addSecs(99 * kInterval));
  window.ShowButton()->click();
  EXPECT_EQ(window.PeriodRecords(), 100);

  // Export of the whole history as CSV and as an archive file.
  window.PeriodButton(TPeriodKind::All)->click();
  const QString csv = filled.Dir.filePath(QStringLiteral("all.csv"));
  const QString daf = filled.Dir.filePath(QStringLiteral("all.daf"));
  dialogs.FileNames = {csv, daf, filled.Dir.filePath(QStringLiteral("missing/all.csv"))};
  window.ExportCsvButton()->click();
  window.ExportDafButton()->click();
  QFile table(csv);
  ASSERT_TRUE(table.open(QIODevice::ReadOnly));
  const QList<QByteArray> lines = table.readAll().split('\n');
  ASSERT_EQ(lines.size(), stored + 2);
  EXPECT_TRUE(lines[0].contains("SERIALN"));
  EXPECT_TRUE(lines[1].contains(
      QDateTime(QDate(2026, 12, 1), QTime(0, 0)).addSecs(-kInterval * (records - 1)).toString(Qt::ISODate).toLatin1()))
      << lines[1].constData();
  TDeviceArchive saved;
  ASSERT_TRUE(saved.LoadFile(daf));
  EXPECT_EQ(saved.RecordCount(), stored);
  EXPECT_EQ(saved.Columns()->Count(), 19);
  EXPECT_TRUE(dialogs.Texts().isEmpty());
  window.ExportCsvButton()->click();
  EXPECT_EQ(dialogs.Texts(), QStringList{QStringLiteral("Записать записи в файл не удалось!")});

  // A store that cannot be opened is said in the window; nothing to export.
  window.SetDatabase(filled.Dir.filePath(QStringLiteral("all.csv")));
  EXPECT_FALSE(window.StatusLabel()->isHidden());
  EXPECT_FALSE(window.ExportCsvButton()->isEnabled());
}

TEST(HistoryFile, OneLineNamesTheDatabaseAndAnythingElseIsTheDefault) {
  QTemporaryDir dir;
  const QString path = dir.filePath(HistoryFile::kFileName);
  const struct {
    const char* what;
    QByteArray content;
    QString loaded;
  } rows[] = {
      {"a path", "/srv/qev/history.sqlite\r\n", QStringLiteral("/srv/qev/history.sqlite")},
      {"an address, blanks around", "  postgresql://op@db/qev  \r\nmore\r\n", QStringLiteral("postgresql://op@db/qev")},
      {"empty", "", HistoryFile::DefaultDatabase()},
      {"too long to be the file", QByteArray(HistoryFile::kMaxFileBytes + 1, 'x'), HistoryFile::DefaultDatabase()},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(row.content);
    file.close();
    EXPECT_EQ(HistoryFile::Load(path), row.loaded);
  }
  EXPECT_EQ(HistoryFile::Load(dir.filePath(QStringLiteral("missing"))), HistoryFile::DefaultDatabase());
  EXPECT_TRUE(HistoryFile::DefaultDatabase().endsWith(QStringLiteral("/history.sqlite")));
  ASSERT_TRUE(HistoryFile::Save(path, QStringLiteral("/tmp/h.sqlite")));
  EXPECT_EQ(HistoryFile::Load(path), QStringLiteral("/tmp/h.sqlite"));
  EXPECT_FALSE(HistoryFile::Save(dir.filePath(QStringLiteral("missing/qev.hst")), QStringLiteral("x")));
}

class HistorySyncTest : public MainFormFixture {};

TEST_F(HistorySyncTest, SyncFromTheArchivePageStoresTheNewRecordsOnceAndTheWindowShowsThem) {
  FEmulator.SetArchiveRecords(30);
  TMainForm& form = StartConnected();
  const QString database = FDir.filePath(QStringLiteral("store/history.sqlite"));
  // "База истории..." names the store and remembers it in qev.hst.
  FDialogs.DialogAnswers.push_back([&database](QDialog& dialog) {
    static_cast<THistoryDatabaseDialog&>(dialog).NameEdit()->setText(database);
    return QDialog::Accepted;
  });
  Action("HistoryDatabaseMenuItem")->trigger();
  Settle();
  EXPECT_EQ(ReadFile(HistoryFile::kFileName), database.toUtf8() + "\r\n");
  EXPECT_EQ(form.ArchivePage()->HistoryDatabase(), database);

  Child<QTabWidget>("MainPageControl")->setCurrentWidget(Child<QWidget>("ArchiveSheet"));
  EXPECT_TRUE(Action("SyncButton")->isVisible());
  const struct {
    const char* what;
    int appended;  // by the installation before the sync
    int added;
    int stored;
  } syncs[] = {{"first: every record", 0, 30, 30}, {"again: nothing new", 0, 0, 30}, {"five new ones", 5, 5, 35}};
  for (const auto& sync : syncs) {
    SCOPED_TRACE(sync.what);
    FEmulator.AppendArchiveRecords(sync.appended);
    const int logLines = LogLines("CommTerminalLB").size();
    FDialogs.Asked.clear();
    Action("SyncButton")->trigger();
    EXPECT_TRUE(form.WaitWindow2Btn()->isVisible());
    Settle();
    EXPECT_FALSE(form.WaitWindow2Btn()->isVisible());
    EXPECT_EQ(FDialogs.Texts(), QStringList{QStringLiteral("Синхронизация закончена. Записей добавлено: %1, в базе "
                                                           "истории: %2.")
                                                .arg(sync.added)
                                                .arg(sync.stored)});
    EXPECT_GT(LogLines("CommTerminalLB").size(), logLines) << "the exchange is logged as any read";
  }
  THistoryStore store(database);
  ASSERT_TRUE(store.Open());
  ASSERT_EQ(store.Installations().size(), 1u);
  EXPECT_EQ(store.CountRecords(store.Installations()[0].Id), 35);

  // "История" shows them; a level without the archive page closes it.
  Child<QPushButton>("HistoryButton")->click();
  THistoryWindow* window = form.ArchivePage()->HistoryWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  window->PeriodButton(TPeriodKind::All)->click();
  EXPECT_EQ(window->PeriodRecords(), 35);
  form.ApplyAccessRights("1-1;1-2;3;");
  EXPECT_TRUE(window->isVisible());
  form.ApplyAccessRights("1-1;1-2;");
  EXPECT_FALSE(window->isVisible());
}
