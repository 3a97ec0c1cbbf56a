#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QSqlDatabase;
class TDeviceArchive;
class TOPVarList;

// One installation the store holds records of: the device number it answers
// to and the serial number (SERIALN) its records carry.
struct THistoryInstallation {
  qint64 Id = 0;
  uint8_t Address = 0;
  QByteArray SerialNumber;
};

// A period of stored time, both ends included; an invalid end leaves that
// side open. The times are moments (held in UTC by the store); a record's
// DATETIME text is the installation's clock, read as the PC's local time,
// so 10/12/2026 04.00.00 is the moment QDateTime(date, time, Qt::LocalTime).
struct THistoryPeriod {
  QDateTime From;
  QDateTime To;
  bool IsOpen() const { return !From.isValid() && !To.isValid(); }
};

// The drawn outline of a long period: for every pixel column of the chart,
// the least and the greatest value of each asked column among the records
// whose time falls in it. Computed in the database, so a year of minute
// records never travels as rows.
struct THistoryEnvelope {
  struct TBucket {
    // Records in the pixel column (for columns of an hour or more, drawn
    // from the hourly summary: the records of the hours that start in it);
    // 0 leaves Min/Max unset.
    int Records = 0;
    double Min = 0;
    double Max = 0;
  };
  QDateTime From;  // the left edge of pixel column 0
  QDateTime To;    // the right edge of the last pixel column
  QByteArrayList Columns;
  // Buckets[column][pixel]; a column whose values are not numbers (or that
  // the store does not know) has only empty buckets.
  std::vector<std::vector<TBucket>> Buckets;
};

// Where history is missing: two neighbouring stored records further apart
// than three record intervals.
struct THistoryGap {
  QDateTime From;  // the record before the gap
  QDateTime To;    // the record after it
};

// What storing a record came to.
enum class THistoryStoreResult { Added, Present, Failed };

// The station's memory: every archive record an installation ever gave,
// kept in a database that outlives the controller's ring archive.
//
// The database is named by one text: a path to an SQLite file (created on
// first use) or a PostgreSQL address in libpq's URI form,
// postgresql://[user[:password]@][host][:port]/dbname[?host=/socket/dir]
// (postgres:// too); without a password in the address libpq looks into
// ~/.pgpass itself.
//
// Records are kept per installation (device number and SERIALN) with all 19
// archive variables: DATETIME as a moment in UTC, the numeric variables as
// numbers; a value whose text a number would not give back exactly (a word,
// "0012", "1.2E-05") keeps its text beside the number, so every record reads
// back as the installation sent it. A unique key (installation, moment,
// digest of the values) makes storing a record twice impossible, also for
// records whose DATETIME is not a valid time.
//
// Several programs may open one store at once (the window and a collector
// on one SQLite file in WAL mode, several PCs on one PostgreSQL): a writer
// waits for the other, a reader never sees half a transaction. A store
// object is used from the thread that opened it; another thread opens a
// store of its own on the same database.
class THistoryStore {
 public:
  // The schema this program writes; older stores are migrated on opening,
  // newer ones are refused untouched.
  static constexpr int kSchemaVersion = 3;

  explicit THistoryStore(QString databaseName);
  ~THistoryStore();
  THistoryStore(const THistoryStore&) = delete;
  THistoryStore& operator=(const THistoryStore&) = delete;

  // Whether the name is a PostgreSQL address rather than an SQLite path.
  static bool IsPostgresName(const QString& databaseName);

  // Connects, creates or migrates the schema. False, with ErrorText() set,
  // when the database cannot be reached or is of a newer schema.
  bool Open();
  // Opens and migrates no further than that version (a store as an older
  // program left it, for the migration tests).
  bool OpenAtVersion(int version);
  bool IsOpen() const;
  void Close();
  const QString& DatabaseName() const { return FDatabaseName; }
  // The last failure, for the operator (English for the developer's log is
  // not wanted: the text names the database and the cause).
  const QString& ErrorText() const { return FErrorText; }
  int SchemaVersion() const;

  // Installations ----------------------------------------------------------

  std::vector<THistoryInstallation> Installations();
  // The installation's id; created when unknown. 0 on failure.
  qint64 InstallationId(uint8_t address, const QByteArray& serialNumber);
  // 0 when the store does not know it (nothing is created).
  qint64 FindInstallation(uint8_t address, const QByteArray& serialNumber);

  // Storing ----------------------------------------------------------------

  // One record (variables named as the archive's, any order; those missing
  // are stored empty) of the installation at that address, committed before
  // returning. The installation is the record's own SERIALN.
  THistoryStoreResult StoreRecord(uint8_t address, const TOPVarList& record);
  // The same, in place of any other content stored for the same moment of
  // that installation: a record read while the ring moved its numbers has
  // the time of one record and values of the next, and is mended so. Added
  // only when the store holds one record more than before.
  THistoryStoreResult ReplaceRecord(uint8_t address, const TOPVarList& record);
  // Every record of the archive in one transaction; the count of records
  // added, or nothing when the transaction failed (then none was added).
  std::optional<int> StoreArchive(uint8_t address, const TDeviceArchive& archive);
  // A poll of the measured values (the collector's), taken at that moment.
  bool StorePoll(qint64 installation, const QDateTime& taken, const TOPVarList& values);

  // Reading ----------------------------------------------------------------

  qint64 CountRecords(qint64 installation, const THistoryPeriod& period = {});
  // The newest stored moment of the installation; invalid without one.
  QDateTime NewestMoment(qint64 installation);
  QDateTime OldestMoment(qint64 installation);
  // The records of the period in time order, every one of the 19 archive
  // variables as a column with the installation's texts. An open period
  // also gives the records without a valid time, after the others. False
  // when the query failed; the archive then holds no records.
  bool ReadRecords(qint64 installation, const THistoryPeriod& period, TDeviceArchive& archive);
  // The collector's polls of the period: TAKEN (yyyy-MM-ddTHH:mm:ss, local
  // time) and the polled variables.
  bool ReadPolls(qint64 installation, const THistoryPeriod& period, TDeviceArchive& polls);
  // The envelope of the columns over the period in width pixel columns. A
  // period with an open end is closed at the oldest or newest record.
  THistoryEnvelope Envelope(qint64 installation, const THistoryPeriod& period, const QByteArrayList& columns,
                            int width);
  // The usual time between two records (the most frequent step), in
  // seconds; 0 with fewer than two timed records.
  qint64 RecordIntervalSeconds(qint64 installation);
  // The gaps of the period longer than three record intervals.
  std::vector<THistoryGap> Gaps(qint64 installation, const THistoryPeriod& period);

  // The 19 archive variables in the archive's order.
  static const QByteArrayList& ArchiveColumns();
  // The polled variables in their stored order.
  static const QByteArrayList& PollColumns();

  // For the tests and the benches: the connection, valid while open.
  QSqlDatabase Database() const;

 private:
  class TImpl;
  QString FDatabaseName;
  QString FErrorText;
  std::unique_ptr<TImpl> FImpl;
};
