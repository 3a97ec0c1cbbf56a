#include "CsvTable.h"

#include "DeviceArchive.h"
#include "DeviceValues.h"
#include "RadiationSpectr.h"
#include "TextUtils.h"
#include "Win1251.h"

#include <QDateTime>
#include <QFileInfo>
#include <QLocale>

#include <vector>

namespace {

const QByteArray kByteOrderMark = "\xEF\xBB\xBF";

// A spreadsheet asked to split at several separators (a first import in
// Russian ticks Tab, comma and semicolon) splits an unquoted field at any of
// them, whichever one the table was written with; so every field that holds
// one of them, a quote or a line break is quoted.
bool NeedsQuotes(const QByteArray& text, char separator) {
  for (const char c : text)
    if (c == separator || c == ',' || c == ';' || c == '\t' || c == '"' || c == '\r' || c == '\n') return true;
  return false;
}

QByteArray Field(const QByteArray& value, const TCsvFormat& format) {
  QByteArray text = Win1251::ToUnicode(value).toUtf8();
  if (format.DecimalComma && TextUtils::ParseDecimal(text, '.')) text.replace('.', ',');
  if (NeedsQuotes(text, format.Separator)) text = '"' + text.replace("\"", "\"\"") + '"';
  return text;
}

// A valid DATETIME in ISO 8601 with the "T" between date and time: LibreOffice
// Calc takes it for a date and time with its default import settings, where
// a blank in its place leaves text unless "Detect special numbers" is
// ticked. Anything else as the installation sent it.
QByteArray CsvDateTime(const QByteArray& value) {
  const std::optional<QDateTime> moment = DeviceValues::DeviceMoment(value);
  return moment ? moment->toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toLatin1() : value;
}

void AppendRow(QByteArray& csv, const QList<QByteArray>& fields, const TCsvFormat& format) {
  for (qsizetype i = 0; i < fields.size(); ++i) {
    if (i > 0) csv += format.Separator;
    csv += Field(fields[i], format);
  }
  csv += "\r\n";
}

}  // namespace

TCsvFormat TCsvFormat::ForLocale(const QLocale& locale) {
  const bool comma = locale.decimalPoint() == QStringLiteral(",");
  return {comma ? ';' : ',', comma};
}

QByteArray ArchiveToCsv(const TDeviceArchive& archive, const TCsvFormat& format) {
  const TOPVarList* columns = archive.Columns();
  if (!columns) return {};
  QByteArray csv = kByteOrderMark;
  QList<QByteArray> fields;
  std::vector<bool> dateTimes;
  for (int c = 0; c < columns->Count(); ++c) {
    fields << columns->GetItem(c)->Name;
    dateTimes.push_back(TextUtils::SameTextAscii(columns->GetItem(c)->Name, "DATETIME"));
  }
  // Names are never numbers, whatever they look like.
  AppendRow(csv, fields, TCsvFormat{format.Separator, false});
  for (int r = 0; r < archive.RecordCount(); ++r) {
    fields.clear();
    for (int c = 0; c < archive.ValueCount(r); ++c) {
      const QByteArray value = archive.Value(r, c);
      const bool dateTime = c < columns->Count() && dateTimes[static_cast<size_t>(c)];
      fields << (dateTime ? CsvDateTime(value) : value);
    }
    AppendRow(csv, fields, format);
  }
  return csv;
}

QByteArray SpectrToCsv(const TRadiationSpectr& spectr, const TCsvFormat& format) {
  QByteArray csv = kByteOrderMark;
  AppendRow(csv,
            {Win1251::FromUnicode(QStringLiteral("Канал")), Win1251::FromUnicode(QStringLiteral("Энергия, кэВ")),
             Win1251::FromUnicode(QStringLiteral("Отсчеты"))},
            format);
  for (int channel = 0; channel < TRadiationSpectr::kChannels; ++channel) {
    const long double energy = spectr.A() * channel + spectr.B();
    AppendRow(
        csv,
        {QByteArray::number(channel), TextUtils::FormatDecimal(energy), QByteArray::number(spectr.Channel(channel))},
        format);
  }
  return csv;
}

bool IsCsvFileName(const QString& fileName) {
  return QFileInfo(fileName).suffix().compare(QStringLiteral("csv"), Qt::CaseInsensitive) == 0;
}
