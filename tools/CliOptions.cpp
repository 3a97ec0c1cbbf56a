#include "CliOptions.h"

#include "TextUtils.h"

#include <QCommandLineParser>

namespace {

const QStringList kParities = {"None", "Even", "Odd", "Mark", "Space"};
const QStringList kLineControls = {"Disable", "Enable", "HandShake"};

// Matches a choice without regard to case and gives it as commport.cfg spells it.
std::optional<QByteArray> Choice(const QString& value, const QStringList& choices) {
  for (const QString& choice : choices)
    if (choice.compare(value, Qt::CaseInsensitive) == 0) return choice.toLatin1();
  return std::nullopt;
}

std::optional<int> Number(const QString& text, int minimum, int maximum) {
  const auto value = TextUtils::ParseInt32(text.toLatin1());
  if (!value || *value < minimum || *value > maximum) return std::nullopt;
  return value;
}

}  // namespace

// One line a form, "or:" before each further one: the manual page's
// synopsis is made from these lines by help2man.
QString CliUsage() {
  return QStringLiteral(
      "Usage: qev-cli [options] read NAME[:INDEX]...\n"
      "  or:  qev-cli [options] write NAME[:INDEX]=VALUE...\n"
      "  or:  qev-cli [options] spectrum main|background [--out FILE.spc] [--csv FILE.csv [--csv-sep C] "
      "[--csv-decimal-comma]] [--n42 FILE.n42]\n"
      "  or:  qev-cli [options] spectrum main [--peaks] [--calibrate]\n"
      "  or:  qev-cli [options] archive [--step N] [--from N] [--to N] [--vars A,B,...] (--out FILE.daf | "
      "--csv FILE.csv [--csv-sep C] [--csv-decimal-comma])\n"
      "  or:  qev-cli [options] sync --db DB\n"
      "  or:  qev-cli history --db DB [--from T] [--to T] [--address N] [--polls] (--csv FILE.csv [--csv-sep C] "
      "[--csv-decimal-comma] | --out FILE.daf)\n"
      "  or:  qev-cli [options] watch --db DB [--period S] [--sync-every S] [--for S]\n"
      "  or:  qev-cli passwords encode SOURCE TARGET\n"
      "  or:  qev-cli passwords decode FILE\n"
      "\n"
      "Talks to the installation over its serial line. The port settings come from\n"
      "commport.cfg, found as the window program finds it: beside the program when\n"
      "it runs from a folder of its own; installed, in ~/.config/qev or else\n"
      "/etc/qev. The options below override them.\n"
      "\n"
      "  --port P              serial port (COM1, /dev/ttyUSB0, a pseudo-terminal path)\n"
      "  --baud N              line speed, e.g. 9600\n"
      "  --parity P            none, even, odd, mark or space\n"
      "  --stop-bits S         1, 1.5 or 2\n"
      "  --latency TEXT        answer wait, as in commport.cfg (\"Approximately 0.25 second\")\n"
      "  --dtr M, --rts M      disable, enable or handshake (a pseudo-terminal needs handshake)\n"
      "  --settings FILE       another settings file instead of commport.cfg (a bare\n"
      "                        name is looked for where commport.cfg is)\n"
      "  --address N           device number of the installation, 0..255 (default 1)\n"
      "  --log                 print the exchange log to standard error\n"
      "  --dump                print the frame dumps to standard error\n"
      "  --packed              read several variables a request; an installation that\n"
      "                        answers only one a request is then asked one at a time\n"
      "\n"
      "read prints NAME=VALUE lines (NAME:INDEX=VALUE with an index); write prints the\n"
      "values the installation reports back. spectrum saves the main or background\n"
      "spectrum as a .spc file (--out), as CSV of channel, energy and count (--csv) or\n"
      "both, as an ANSI N42.42-2012 document (--n42), and prints its calibration and\n"
      "total count. --peaks prints one line per found peak and region of the main\n"
      "spectrum (\"peak channel=C energy_kev=E nuclide=NAME from_kev=F to_kev=T net=N\n"
      "sigma=S\", the background spectrum read as well and taken off); --calibrate\n"
      "prints the calibration its Po-218 and Po-214 (or Po-214 and Po-212) peaks give\n"
      "(\"calibration a=A b=B from=NAME@C,NAME@C\") and writes nothing to the\n"
      "installation. archive reads records --from\n"
      "to --to (default: all), every --step-th, of the variables --vars (default\n"
      "DATETIME,SUMALPHA,SUMBETA,RADON,FLOW,VOLUME) and saves them as an archive file\n"
      "(--out) or as CSV (--csv). CSV is UTF-8 with a header row, DATETIME written as\n"
      "yyyy-MM-dd HH:mm:ss; --csv-sep ';' and --csv-decimal-comma suit spreadsheets\n"
      "set to a comma decimal mark.\n"
      "\n"
      "DB names the history store: an SQLite file (created on first use) or a\n"
      "PostgreSQL address postgresql://[user[:password]@][host][:port]/dbname, with\n"
      "?host=/socket/dir for a local socket (a password may also come from ~/.pgpass).\n"
      "sync reads the archive records the store does not hold yet (--packed packs\n"
      "them) and prints \"sync new=N stored=M requests=R\" last, also when it fails.\n"
      "history writes the stored records of the period (T in ISO 8601, local time\n"
      "unless it carries an offset) with all 19 archive variables, or with --polls\n"
      "the collector's polls (TAKEN, then the measured values). watch is the\n"
      "collector: it polls the measured values every --period seconds (60), syncs\n"
      "the archive at start and every --sync-every seconds (600), rides out line\n"
      "faults (one line per change of state on standard error) and ends on SIGTERM,\n"
      "SIGINT or after --for seconds.\n"
      "\n"
      "passwords encode writes the scrambled password file TARGET (the program reads\n"
      "qev.pwd in its working folder) from a plain SOURCE file of \"LEVEL PASSWORD\"\n"
      "lines; the scrambling depends on TARGET's name, so the file must keep it.\n"
      "passwords decode prints the plain lines of a scrambled file. Neither uses the\n"
      "serial line.\n"
      "\n"
      "Exit status: 0 every request answered (passwords: the file written or read),\n"
      "1 an exchange or a file failed, 2 usage error.\n"
      "\n"
      "  -h, --help            print this text and exit\n"
      "  --version             print the version and exit\n");
}

TCliParse ParseCliArguments(const QStringList& arguments) {
  TCliParse result;
  QCommandLineParser parser;
  const QCommandLineOption help({"h", "help"}, "help");
  const QCommandLineOption version("version", "");
  const QCommandLineOption port("port", "", "P");
  const QCommandLineOption baud("baud", "", "N");
  const QCommandLineOption parity("parity", "", "P");
  const QCommandLineOption stopBits("stop-bits", "", "S");
  const QCommandLineOption latency("latency", "", "TEXT");
  const QCommandLineOption dtr("dtr", "", "M");
  const QCommandLineOption rts("rts", "", "M");
  const QCommandLineOption settings("settings", "", "FILE");
  const QCommandLineOption address("address", "", "N");
  const QCommandLineOption log("log", "");
  const QCommandLineOption dump("dump", "");
  const QCommandLineOption packed("packed", "");
  const QCommandLineOption out("out", "", "FILE");
  const QCommandLineOption csv("csv", "", "FILE");
  const QCommandLineOption csvSep("csv-sep", "", "C");
  const QCommandLineOption csvComma("csv-decimal-comma", "");
  const QCommandLineOption step("step", "", "N");
  const QCommandLineOption from("from", "", "N");
  const QCommandLineOption to("to", "", "N");
  const QCommandLineOption vars("vars", "", "LIST");
  const QCommandLineOption n42("n42", "", "FILE");
  const QCommandLineOption peaks("peaks", "");
  const QCommandLineOption calibrate("calibrate", "");
  const QCommandLineOption db("db", "", "DB");
  const QCommandLineOption polls("polls", "");
  const QCommandLineOption period("period", "", "S");
  const QCommandLineOption syncEvery("sync-every", "", "S");
  const QCommandLineOption forSeconds("for", "", "S");
  parser.addOptions({help, version, port, baud, parity, stopBits, latency, dtr,  rts, settings, address,
                     log,  dump,    out,  csv,  csvSep, csvComma, step,    from, to,  vars,     packed});
  parser.addOptions({n42, peaks, calibrate, db, polls, period, syncEvery, forSeconds});
  const auto fail = [&result](const QString& error) {
    result.Error = error;
    return result;
  };
  if (!parser.parse(arguments)) return fail(parser.errorText());
  if (parser.isSet(help)) {
    result.Help = true;
    return result;
  }
  if (parser.isSet(version)) {
    result.Version = true;
    return result;
  }

  TCliOptions o;
  QStringList positional = parser.positionalArguments();
  if (positional.isEmpty()) return fail("no command given");
  const QString command = positional.takeFirst();

  if (parser.isSet(settings)) o.SettingsFile = parser.value(settings);
  if (parser.isSet(port)) o.Port = parser.value(port).toLocal8Bit();
  if (parser.isSet(baud)) {
    if (!Number(parser.value(baud), 1, 10000000)) return fail("--baud needs a positive number");
    o.Baud = parser.value(baud).toLatin1() + " baud";
  }
  if (parser.isSet(parity)) {
    const auto p = Choice(parser.value(parity), kParities);
    if (!p) return fail("--parity is none, even, odd, mark or space");
    o.Parity = *p;
  }
  if (parser.isSet(stopBits)) {
    const auto s = Choice(parser.value(stopBits), {"1", "1.5", "2"});
    if (!s) return fail("--stop-bits is 1, 1.5 or 2");
    o.StopBits = *s + " bit";
  }
  if (parser.isSet(latency)) o.Latency = parser.value(latency).toLatin1();
  for (const auto& [option, target] : {std::pair{&dtr, &o.Dtr}, std::pair{&rts, &o.Rts}}) {
    if (!parser.isSet(*option)) continue;
    const auto m = Choice(parser.value(*option), kLineControls);
    if (!m) return fail("--" + option->names().first() + " is disable, enable or handshake");
    *target = *m;
  }
  if (parser.isSet(address)) {
    const auto a = Number(parser.value(address), 0, 255);
    if (!a) return fail("--address is a number from 0 to 255");
    o.Address = *a;
  }
  o.Log = parser.isSet(log);
  o.Dump = parser.isSet(dump);
  o.Packed = parser.isSet(packed);

  const bool csvForm = parser.isSet(csvSep) || parser.isSet(csvComma);
  const bool archiveOnly = parser.isSet(step) || parser.isSet(from) || parser.isSet(to) || parser.isSet(vars);
  // The form of a CSV table, for spectrum and archive alike.
  const auto takeCsv = [&]() -> std::optional<QString> {
    o.CsvFile = parser.value(csv);
    if (parser.isSet(csvSep)) {
      const QString sep = parser.value(csvSep);
      if (sep.size() != 1 || sep[0].unicode() >= 128 || sep == "\"" || sep == "\r" || sep == "\n")
        return QStringLiteral("--csv-sep is one character other than a quote");
      o.CsvSeparator = static_cast<char>(sep[0].unicode());
    }
    o.CsvDecimalComma = parser.isSet(csvComma);
    if (o.CsvDecimalComma && o.CsvSeparator == ',')
      return QStringLiteral("--csv-decimal-comma needs another --csv-sep");
    return std::nullopt;
  };
  const bool historyOnly = parser.isSet(db) || parser.isSet(polls) || parser.isSet(period) || parser.isSet(syncEvery) ||
                           parser.isSet(forSeconds);
  const bool historyCommand = command == "sync" || command == "history" || command == "watch";
  if (historyOnly && !historyCommand)
    return fail("--db, --polls, --period, --sync-every and --for belong to sync, history and watch");
  if (historyCommand) {
    if (!positional.isEmpty()) return fail(command + " takes options only");
    if (!parser.isSet(db) || parser.value(db).isEmpty()) return fail(command + " needs --db DB");
    o.Db = parser.value(db);
    o.AddressGiven = parser.isSet(address);
  }
  if (command == "sync" || command == "watch") {
    o.Command = command == "sync" ? TCliOptions::TCommand::Sync : TCliOptions::TCommand::Watch;
    if (parser.isSet(out) || parser.isSet(csv) || csvForm || archiveOnly || parser.isSet(polls))
      return fail("file options belong to history");
    if (o.Command == TCliOptions::TCommand::Sync &&
        (parser.isSet(period) || parser.isSet(syncEvery) || parser.isSet(forSeconds)))
      return fail("--period, --sync-every and --for belong to watch");
    for (const auto& [option, target, minimum] :
         {std::tuple{&period, &o.PeriodSeconds, 1}, std::tuple{&syncEvery, &o.SyncEverySeconds, 1},
          std::tuple{&forSeconds, &o.ForSeconds, 1}}) {
      if (!parser.isSet(*option)) continue;
      const auto n = Number(parser.value(*option), minimum, INT32_MAX);
      if (!n)
        return fail("--" + option->names().first() + " needs a number of seconds of at least " +
                    QString::number(minimum));
      *target = *n;
    }
  } else if (command == "history") {
    o.Command = TCliOptions::TCommand::History;
    if (parser.isSet(out) == parser.isSet(csv)) return fail("history needs either --out FILE.daf or --csv FILE.csv");
    if (parser.isSet(step) || parser.isSet(vars) || parser.isSet(period) || parser.isSet(syncEvery) ||
        parser.isSet(forSeconds))
      return fail("history takes --from, --to, --address and --polls");
    o.OutFile = parser.value(out);
    if (const auto error = takeCsv()) return fail(*error);
    o.Polls = parser.isSet(polls);
    for (const auto& [option, target] : {std::pair{&from, &o.HistoryFrom}, std::pair{&to, &o.HistoryTo}}) {
      if (!parser.isSet(*option)) continue;
      *target = QDateTime::fromString(parser.value(*option), Qt::ISODate);
      if (!target->isValid())
        return fail("--" + option->names().first() + " needs a time in ISO 8601 (2026-12-01T08:00:00)");
    }
  } else if (command == "read" || command == "write") {
    o.Command = command == "read" ? TCliOptions::TCommand::Read : TCliOptions::TCommand::Write;
    if (positional.isEmpty()) return fail(command + " needs at least one variable");
    if (parser.isSet(out) || parser.isSet(csv) || csvForm || archiveOnly)
      return fail("file options belong to spectrum and archive");
    for (const QString& item : positional) {
      const QByteArray bytes = item.toLocal8Bit();
      const bool hasValue = bytes.contains('=');
      if (o.Command == TCliOptions::TCommand::Write ? !hasValue || bytes.startsWith('=') : hasValue || bytes.isEmpty())
        return fail(o.Command == TCliOptions::TCommand::Write ? "write takes NAME=VALUE items, not " + item
                                                              : "read takes variable names, not " + item);
      o.Items << bytes;
    }
  } else if (command == "spectrum") {
    o.Command = TCliOptions::TCommand::Spectrum;
    if (positional.size() != 1 || (positional[0] != "main" && positional[0] != "background"))
      return fail("spectrum takes main or background");
    o.BackgroundSpectrum = positional[0] == "background";
    if (!parser.isSet(out) && !parser.isSet(csv) && !parser.isSet(n42) && !parser.isSet(peaks) &&
        !parser.isSet(calibrate))
      return fail("spectrum needs --out FILE.spc, --csv FILE.csv, --n42 FILE, --peaks or --calibrate");
    if (archiveOnly) return fail("archive options do not apply to spectrum");
    if (o.BackgroundSpectrum && (parser.isSet(peaks) || parser.isSet(calibrate)))
      return fail("--peaks and --calibrate belong to the main spectrum");
    o.OutFile = parser.value(out);
    o.N42File = parser.value(n42);
    o.Peaks = parser.isSet(peaks);
    o.Calibrate = parser.isSet(calibrate);
    if (const auto error = takeCsv()) return fail(*error);
  } else if (parser.isSet(n42) || parser.isSet(peaks) || parser.isSet(calibrate)) {
    return fail("--n42, --peaks and --calibrate belong to spectrum");
  } else if (command == "archive") {
    o.Command = TCliOptions::TCommand::Archive;
    if (!positional.isEmpty()) return fail("archive takes options only");
    if (parser.isSet(out) == parser.isSet(csv)) return fail("archive needs either --out FILE.daf or --csv FILE.csv");
    o.OutFile = parser.value(out);
    if (const auto error = takeCsv()) return fail(*error);
    for (const auto& [option, target, minimum] :
         {std::tuple{&step, &o.Step, 1}, std::tuple{&from, &o.From, 0}, std::tuple{&to, &o.To, 0}}) {
      if (!parser.isSet(*option)) continue;
      const auto n = Number(parser.value(*option), minimum, INT32_MAX);
      if (!n) return fail("--" + option->names().first() + " needs a number of at least " + QString::number(minimum));
      *target = *n;
    }
    if (parser.isSet(vars))
      for (const QString& name : parser.value(vars).split(',', Qt::SkipEmptyParts)) o.Vars << name.trimmed().toLatin1();
  } else if (command == "passwords") {
    if (parser.isSet(out) || archiveOnly) return fail("file options do not apply to passwords");
    const QString action = positional.isEmpty() ? QString() : positional.takeFirst();
    if (action == "encode" && positional.size() == 2) {
      o.Command = TCliOptions::TCommand::PasswordsEncode;
      o.PasswordSource = positional[0];
      o.PasswordFile = positional[1];
    } else if (action == "decode" && positional.size() == 1) {
      o.Command = TCliOptions::TCommand::PasswordsDecode;
      o.PasswordFile = positional[0];
    } else {
      return fail("passwords takes encode SOURCE TARGET or decode FILE");
    }
  } else {
    return fail("unknown command " + command);
  }
  result.Options = o;
  return result;
}
