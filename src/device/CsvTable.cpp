#include "CsvTable.h"

#include "DeviceArchive.h"
#include "RadiationSpectr.h"
#include "TextUtils.h"
#include "Win1251.h"

#include <QLocale>

namespace {

const QByteArray kByteOrderMark = "\xEF\xBB\xBF";

QByteArray Field(const QByteArray& value, const TCsvFormat& format) {
  QByteArray text = Win1251::ToUnicode(value).toUtf8();
  if (format.DecimalComma && TextUtils::ParseDecimal(text, '.')) text.replace('.', ',');
  if (text.contains(format.Separator) || text.contains('"') || text.contains('\r') || text.contains('\n'))
    text = '"' + text.replace("\"", "\"\"") + '"';
  return text;
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
  if (!archive.Columns()) return {};
  QByteArray csv = kByteOrderMark;
  const TOPVarList& columns = *archive.Columns();
  QList<QByteArray> fields;
  for (int i = 0; i < columns.Count(); ++i) fields << columns.GetItem(i)->Name;
  // Names are never numbers, whatever they look like.
  AppendRow(csv, fields, TCsvFormat{format.Separator, false});
  for (int r = 0; r < archive.RecordCount(); ++r) {
    fields.clear();
    for (int i = 0; i < archive.ValueCount(r); ++i) fields << archive.Value(r, i);
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
