#include "CliSession.h"

#include "AtomicFile.h"
#include "CliHistory.h"
#include "CsvTable.h"
#include "NGAS.h"
#include "OpenProtocolDriver.h"
#include "OpenProtocolText.h"
#include "QtSerialPort.h"
#include "RS232Channel.h"
#include "SpectrN42.h"
#include "SpectrPeaks.h"
#include "TextUtils.h"
#include "Win1251.h"

#include <QFileInfo>

#include <cstdio>
#include <unistd.h>

namespace {

// Log lines go straight to the stream; nothing is kept.
class TStreamLog : public TLogSink {
 public:
  explicit TStreamLog(QTextStream& stream) : FStream(stream) {}
  int LineCount() const override { return 0; }
  void DeleteFirstLine() override {}
  void AppendLine(const QByteArray& line) override { FStream << Win1251::ToUnicode(line) << Qt::endl; }

 private:
  QTextStream& FStream;
};

// The overall progress of a long read as one line on standard error,
// redrawn in place on a terminal and printed every tenth otherwise.
class TStreamProgress : public TProgressSink {
 public:
  TStreamProgress(QTextStream& stream, QString what)
      : FStream(stream), FWhat(std::move(what)), FTerminal(isatty(fileno(stderr)) != 0) {}
  ~TStreamProgress() override {
    if (FShown && FTerminal) FStream << Qt::endl;
  }
  int Minimum() const override { return 0; }
  int Maximum() const override { return 100; }
  void SetPosition(int position) override {
    const int percent = std::min(position, 100);
    if (percent == FLast || (!FTerminal && percent / 10 == FLast / 10)) return;
    FLast = percent;
    FShown = true;
    if (FTerminal)
      FStream << '\r' << FWhat << ": " << percent << '%' << Qt::flush;
    else
      FStream << FWhat << ": " << percent << '%' << Qt::endl;
  }

 private:
  QTextStream& FStream;
  QString FWhat;
  bool FTerminal;
  bool FShown = false;
  int FLast = -1;
};

QString Text(const QByteArray& bytes) { return Win1251::ToUnicode(bytes); }

QByteArray Reference(const TOPVarListItem& item) { return OpenProtocolText::VarReference(item); }

// Why the driver's last transaction failed, for a message.
QString Cause(const TOpenProtocolDriver& driver) {
  using TFailure = TOpenProtocolDriver::TFailure;
  switch (driver.LastFailure()) {
    case TFailure::NoChannel:
    case TFailure::LineFailed:
      return QStringLiteral("the serial port failed (unplugged or gone?)");
    case TFailure::Silent:
      return QStringLiteral("the installation did not answer");
    case TFailure::BadFrame:
      return QStringLiteral("the answers were damaged (checksum, length or address)");
    case TFailure::NotAnswered:
      return QStringLiteral("the answers were not answers to the request");
    case TFailure::Refused:
      return QStringLiteral("the request cannot be sent (a value holds \";\" or \"=\", or it is too long)");
    case TFailure::BadContent:
      return QStringLiteral("the installation announced no usable blocks");
    case TFailure::Stopped:
      return QStringLiteral("stopped");
    case TFailure::None:
      break;
  }
  return QStringLiteral("unknown");
}

// The request that failed, when the driver names one.
QString FailedAt(const TOpenProtocolDriver& driver) {
  const QByteArray request = driver.FailedRequest();
  return request.isEmpty() ? QString() : QStringLiteral(" at ") + Text(request);
}

// NAME or NAME:INDEX, and an optional =VALUE, into a one-variable list.
void AddItem(TOPVarList& list, const QByteArray& argument) {
  const TextUtils::TSplit value = TextUtils::SplitAtFirst(argument, "=");
  const TextUtils::TSplit name = TextUtils::SplitAtFirst(value.Before, ":");
  list.Add(name.Before, name.After, value.After);
}

class TCliSession {
 public:
  TCliSession(const TCliOptions& options, QTextStream& out, QTextStream& err)
      : FOptions(options),
        FOut(out),
        FErr(err),
        FChannel(std::make_unique<TQtSerialPort>()),
        FDriver(&FChannel),
        FCommLog(err),
        FDumpLog(err),
        FNGAS(&FDriver) {
    if (options.Log) FDriver.SetCommLog(&FCommLog);
    if (options.Dump) FDriver.SetDebugLog(&FDumpLog);
    FDriver.SetPacking(options.Packed);
    FNGAS.SetDevAddress(static_cast<uint8_t>(options.Address));
  }

  int Run() {
    if (FOptions.Command == TCliOptions::TCommand::Sync || FOptions.Command == TCliOptions::TCommand::Watch)
      return RunHistoryCommand();
    if (!OpenLine()) return 1;
    const int result = RunCommand();
    if (FDriver.Packing() && FDriver.PackMode() != 0)
      FErr << "qev-cli: the installation does not answer packed requests; asked one variable a request" << Qt::endl;
    return result;
  }

 private:
  int RunCommand() {
    switch (FOptions.Command) {
      case TCliOptions::TCommand::Read:
        return FOptions.Packed ? ReadItemsPacked() : TransferItems();
      case TCliOptions::TCommand::Write:
        return TransferItems();
      case TCliOptions::TCommand::Spectrum:
        return ReadSpectrum();
      case TCliOptions::TCommand::Archive:
        return ReadArchive();
      case TCliOptions::TCommand::PasswordsEncode:
      case TCliOptions::TCommand::PasswordsDecode:
      case TCliOptions::TCommand::History:
        // Files only: run without a line.
      case TCliOptions::TCommand::Sync:
      case TCliOptions::TCommand::Watch:
        // They open the line themselves.
        break;
    }
    return 2;
  }

  // sync and watch open the line when their store is open; watch opens it
  // again, quietly, after a fault.
  int RunHistoryCommand() {
    bool configured = false;
    const TCliLine line{[this, configured](bool quiet) mutable {
                          if (configured && quiet) return FChannel.Open();
                          configured = true;
                          return OpenLine();
                        },
                        [this] { FChannel.Close(); }};
    const int result = FOptions.Command == TCliOptions::TCommand::Sync
                           ? RunHistorySync(FOptions, FNGAS, line, FOut, FErr)
                           : RunWatch(FOptions, FNGAS, line, FOut, FErr);
    if (FDriver.Packing() && FDriver.PackMode() != 0)
      FErr << "qev-cli: the installation does not answer packed requests; asked one variable a request" << Qt::endl;
    return result;
  }

  bool OpenLine() {
    const QString why = SettingsProblem();
    TComSettings& s = FChannel.Settings();
    if (!FOptions.Port.isEmpty()) s.SetPortNumber(FOptions.Port);
    if (!FOptions.Baud.isEmpty()) s.SetTransferRate(FOptions.Baud);
    if (!FOptions.Parity.isEmpty()) s.SetParitet(FOptions.Parity);
    if (!FOptions.StopBits.isEmpty()) s.SetStopBits(FOptions.StopBits);
    if (!FOptions.Latency.isEmpty()) s.SetLatencyPeriod(FOptions.Latency);
    if (!FOptions.Dtr.isEmpty()) s.SetDTRControl(FOptions.Dtr);
    if (!FOptions.Rts.isEmpty()) s.SetRTSControl(FOptions.Rts);
    if (!why.isEmpty())
      FErr << "qev-cli: " << TComSettings::FilePath(FOptions.SettingsFile) << ' ' << why << "; using "
           << Text(s.PortNumber()) << ", " << Text(s.TransferRate()) << ", " << Text(s.StopBits()) << ", "
           << Text(s.Paritet()) << ", " << Text(s.LatencyPeriod()) << ", DTR " << Text(s.DTRControl()) << ", RTS "
           << Text(s.RTSControl()) << Qt::endl;
    if (FChannel.Open()) return true;
    FErr << "qev-cli: cannot open the serial port " << Text(s.PortNumber()) << " (" << Text(s.TransferRate()) << ", "
         << Text(s.Paritet()) << ", DTR " << Text(s.DTRControl()) << ", RTS " << Text(s.RTSControl()) << ")"
         << Qt::endl;
    return false;
  }

  // Loads the settings file; what was wrong with it, or nothing.
  QString SettingsProblem() {
    const QFileInfo file(TComSettings::FilePath(FOptions.SettingsFile));
    const bool loaded = FChannel.LoadSettings(FOptions.SettingsFile);
    if (!file.exists()) return QStringLiteral("is missing");
    if (!file.isFile() || file.size() > TComSettings::kMaxFileBytes)
      return QStringLiteral("could not be read: not a settings file");
    if (!loaded) return QStringLiteral("could not be read: a write time-out is not a whole number");
    const QByteArrayList missing = FChannel.Settings().MissingKeys();
    if (!missing.isEmpty()) return QStringLiteral("is damaged: it lacks ") + Text(missing.join(", "));
    return {};
  }

  // One request per variable, so a failure names its variable.
  int TransferItems() {
    const bool write = FOptions.Command == TCliOptions::TCommand::Write;
    for (const QByteArray& argument : FOptions.Items) {
      TOPVarList list;
      AddItem(list, argument);
      const TOPVarListItem& item = *list.GetItem(0);
      const bool answered =
          write ? FDriver.WriteVars(FNGAS.DevAddress(), list) : FDriver.ReadVars(FNGAS.DevAddress(), list);
      if (!answered) {
        FErr << "qev-cli: " << (write ? "writing " : "reading ") << Text(Reference(item))
             << " failed: " << Cause(FDriver) << Qt::endl;
        return 1;
      }
      FOut << Text(Reference(item)) << '=' << Text(item.Value) << Qt::endl;
    }
    return 0;
  }

  // Every variable in one list, so that they travel in packed requests; a
  // failure names the request.
  int ReadItemsPacked() {
    TOPVarList list;
    for (const QByteArray& argument : FOptions.Items) AddItem(list, argument);
    if (!FDriver.ReadVars(FNGAS.DevAddress(), list)) {
      FErr << "qev-cli: reading failed" << FailedAt(FDriver) << ": " << Cause(FDriver) << Qt::endl;
      return 1;
    }
    for (int i = 0; i < list.Count(); ++i)
      FOut << Text(Reference(*list.GetItem(i))) << '=' << Text(list.GetItem(i)->Value) << Qt::endl;
    return 0;
  }

  int ReadSpectrum() {
    const bool background = FOptions.BackgroundSpectrum;
    if (!(background ? FNGAS.ReadBkSpectr() : FNGAS.ReadMainSpectr())) {
      FErr << "qev-cli: reading the " << (background ? "background" : "main") << " spectrum failed" << FailedAt(FDriver)
           << ": " << Cause(FDriver) << Qt::endl;
      return 1;
    }
    const TRadiationSpectr& spectr = background ? FNGAS.BkSpectr() : FNGAS.MainSpectr();
    if (!FOptions.OutFile.isEmpty() && !spectr.SaveFile(FOptions.OutFile)) {
      FErr << "qev-cli: cannot write " << FOptions.OutFile << Qt::endl;
      return 1;
    }
    if (!FOptions.CsvFile.isEmpty() &&
        !SaveFileAtomically(FOptions.CsvFile, SpectrToCsv(spectr, {FOptions.CsvSeparator, FOptions.CsvDecimalComma}))) {
      FErr << "qev-cli: cannot write " << FOptions.CsvFile << Qt::endl;
      return 1;
    }
    if (!FOptions.N42File.isEmpty() && !SaveN42(spectr, background)) {
      FErr << "qev-cli: cannot write " << FOptions.N42File << Qt::endl;
      return 1;
    }
    if (FOptions.Peaks) PrintPeaks(spectr);
    if (FOptions.Calibrate && !PrintCalibration(spectr)) return 1;
    if (FOptions.Peaks || FOptions.Calibrate) return 0;
    int64_t total = 0;
    for (int i = 0; i < TRadiationSpectr::kChannels; ++i) total += spectr.Channel(i);
    FOut << "A=" << Text(TextUtils::FormatDecimal(spectr.A())) << Qt::endl
         << "B=" << Text(TextUtils::FormatDecimal(spectr.B())) << Qt::endl
         << "total=" << total << Qt::endl;
    return 0;
  }

  // The measuring time and the installation's clock date the measurement;
  // an installation that does not tell them gets a document without them.
  bool SaveN42(const TRadiationSpectr& spectr, bool background) {
    TOPVarList when;
    when.Add("DATETIME");
    when.Add("DURATIONTIME");
    SpectrN42::TMeasurement measurement{&spectr, background, std::nullopt, std::nullopt, std::nullopt};
    if (FDriver.ReadVars(FNGAS.DevAddress(), when))
      measurement = SpectrN42::Timed(spectr, background, when.GetItem(0)->Value, when.GetItem(1)->Value);
    else
      FErr << "qev-cli: the installation did not tell its clock and measuring time; the document goes without them"
           << Qt::endl;
    TOPVarList serial;
    serial.Add("SERIALN");
    SpectrN42::TInstrument instrument{QString(), QStringLiteral(QEV_VERSION)};
    if (FDriver.ReadVars(FNGAS.DevAddress(), serial))
      instrument.SerialNumber = Text(TextUtils::Trim(serial.GetItem(0)->Value));
    return SpectrN42::Save(FOptions.N42File, {measurement}, instrument);
  }

  void PrintPeaks(const TRadiationSpectr& spectr) {
    // The background is taken off when it can be read; the peaks stand without it.
    const bool withBackground = FNGAS.ReadBkSpectr();
    if (!withBackground) FErr << "qev-cli: the background spectrum could not be read; regions without it" << Qt::endl;
    const SpectrPeaks::TAnalysis analysis = SpectrPeaks::Analyse(spectr, withBackground ? &FNGAS.BkSpectr() : nullptr);
    const auto number = [](double value, int digits) { return QString::number(value, 'f', digits); };
    for (const SpectrPeaks::TRegion& r : analysis.Regions)
      FOut << "peak channel=" << number(r.Channel, 1) << " energy_kev=" << number(r.Energy, 1)
           << " nuclide=" << (r.Nuclide.isEmpty() ? QStringLiteral("-") : Text(r.Nuclide))
           << " from_kev=" << number(r.FromKev, 1) << " to_kev=" << number(r.ToKev, 1) << " net=" << number(r.Net, 0)
           << " sigma=" << number(r.Sigma, 0) << Qt::endl;
  }

  bool PrintCalibration(const TRadiationSpectr& spectr) {
    const auto calibration = SpectrPeaks::CalibrateFromPeaks(spectr);
    if (!calibration) {
      FErr << "qev-cli: the spectrum has no two progeny peaks to calibrate by" << Qt::endl;
      return false;
    }
    FOut << "calibration a=" << QString::number(static_cast<double>(calibration->Calibration.A), 'f', 5)
         << " b=" << QString::number(static_cast<double>(calibration->Calibration.B), 'f', 2)
         << " from=" << Text(calibration->Name1) << '@' << QString::number(calibration->Channel1, 'f', 2) << ','
         << Text(calibration->Name2) << '@' << QString::number(calibration->Channel2, 'f', 2) << Qt::endl;
    return true;
  }

  int ReadArchive() {
    // The chosen variables, each with its caption, so the file keeps its
    // caption section.
    TOPVarList columns;
    TOPVarList captions;
    const TOPVarList& known = FNGAS.ArchVarList();
    const TOPVarList& wanted = FNGAS.ArchDefaultMaskVarList();
    QByteArrayList names = FOptions.Vars;
    if (names.isEmpty())
      for (int i = 0; i < wanted.Count(); ++i) names << wanted.GetItem(i)->Name;
    for (const QByteArray& name : names) {
      const int at = known.IndexOfName(name);
      if (at < 0) {
        FErr << "qev-cli: " << Text(name) << " is not an archive variable" << Qt::endl;
        return 2;
      }
      columns.Add(known.GetItem(at)->Name);
      captions.Add(FNGAS.ArchCaptionVarList().GetItem(at)->Name);
    }

    if (!FNGAS.ReadArchSize()) {
      FErr << "qev-cli: reading NUMOFRECORDS failed: "
           << (FDriver.LastFailure() == TOpenProtocolDriver::TFailure::None
                   ? QStringLiteral("the answer is not a number of records")
                   : Cause(FDriver))
           << Qt::endl;
      return 1;
    }
    const int last = FOptions.To < 0 ? FNGAS.ArchSize() : FOptions.To;
    FErr << "archive: " << FNGAS.ArchSize() << " records in the installation" << Qt::endl;
    bool read = false;
    {
      TStreamProgress progress(FErr, QStringLiteral("reading archive"));
      FNGAS.SetProgressBar(&progress);
      read = FNGAS.ReadArchive(FOptions.Step, FOptions.From, last, columns);
      FNGAS.SetProgressBar(nullptr);
    }
    TDeviceArchive& archive = FNGAS.Archive();
    if (!read) {
      FErr << "qev-cli: the archive read failed after " << archive.RecordCount() << " records" << FailedAt(FDriver)
           << ": " << Cause(FDriver) << Qt::endl;
      return 1;
    }
    archive.SetCaptions(captions);
    const bool saved =
        FOptions.CsvFile.isEmpty()
            ? archive.SaveFile(FOptions.OutFile)
            : SaveFileAtomically(FOptions.CsvFile,
                                 ArchiveToCsv(archive, {FOptions.CsvSeparator, FOptions.CsvDecimalComma}));
    if (!saved) {
      FErr << "qev-cli: cannot write " << (FOptions.CsvFile.isEmpty() ? FOptions.OutFile : FOptions.CsvFile)
           << Qt::endl;
      return 1;
    }
    FOut << "records=" << archive.RecordCount() << Qt::endl;
    return 0;
  }

  const TCliOptions& FOptions;
  QTextStream& FOut;
  QTextStream& FErr;
  TRS232Channel FChannel;
  TOpenProtocolDriver FDriver;
  TStreamLog FCommLog;
  TStreamLog FDumpLog;
  TNGAS FNGAS;
};

}  // namespace

int RunCliSession(const TCliOptions& options, QTextStream& out, QTextStream& err) {
  if (options.Command == TCliOptions::TCommand::History) return RunHistoryExport(options, out, err);
  return TCliSession(options, out, err).Run();
}
