#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

// The command line of qev-cli, checked before anything is sent.
struct TCliOptions {
  enum class TCommand { Read, Write, Spectrum, Archive, PasswordsEncode, PasswordsDecode, Sync, History, Watch };

  TCommand Command = TCommand::Read;
  QByteArrayList Items;  // read: NAME[:INDEX]; write: NAME[:INDEX]=VALUE

  // Port settings that override commport.cfg (empty: as the file says).
  QString SettingsFile = QStringLiteral("commport.cfg");
  QByteArray Port;
  QByteArray Baud;  // "9600 baud"
  QByteArray Parity;
  QByteArray StopBits;
  QByteArray Latency;
  QByteArray Dtr;
  QByteArray Rts;
  int Address = 1;
  bool Log = false;
  bool Dump = false;
  bool Packed = false;  // reads ask for several variables a request

  bool BackgroundSpectrum = false;
  QString N42File;         // spectrum: the ANSI N42.42 document
  bool Peaks = false;      // spectrum main: the found peaks and regions
  bool Calibrate = false;  // spectrum main: the calibration from its peaks
  QString OutFile;
  QString CsvFile;
  char CsvSeparator = ',';
  bool CsvDecimalComma = false;
  int Step = 1;
  int From = 1;
  int To = -1;  // -1: the last record
  QByteArrayList Vars;

  // The history store: sync, history and watch.
  QString Db;
  bool AddressGiven = false;  // history: only the installations at Address
  QDateTime HistoryFrom;      // history: invalid for an open end
  QDateTime HistoryTo;
  bool Polls = false;      // history: the collector's polls instead of the archive
  int PeriodSeconds = 60;  // watch: between two polls
  int SyncEverySeconds = 600;
  int ForSeconds = 0;  // watch: 0 runs until SIGTERM or SIGINT

  // passwords encode SOURCE TARGET / passwords decode FILE (in PasswordFile)
  QString PasswordSource;
  QString PasswordFile;
};

struct TCliParse {
  std::optional<TCliOptions> Options;
  QString Error;  // a usage error when there are no options
  bool Help = false;
  bool Version = false;
};

TCliParse ParseCliArguments(const QStringList& arguments);
QString CliUsage();
