#include "CsvTable.h"

#include "TextUtils.h"
#include "Win1251.h"

namespace {

QByteArray Field(const QByteArray& value, char separator, bool decimalComma) {
  QByteArray text = Win1251::ToUnicode(value).toUtf8();
  if (decimalComma && TextUtils::ParseDecimal(text, '.')) text.replace('.', ',');
  if (text.contains(separator) || text.contains('"') || text.contains('\r') || text.contains('\n'))
    text = '"' + text.replace("\"", "\"\"") + '"';
  return text;
}

}  // namespace

QByteArray ArchiveToCsv(const TDeviceArchive& archive, char separator, bool decimalComma) {
  QByteArray csv;
  const auto appendRow = [&](const TOPVarList& list, bool names) {
    for (int i = 0; i < list.Count(); ++i) {
      if (i > 0) csv += separator;
      const TOPVarListItem& item = *list.GetItem(i);
      csv += Field(names ? item.Name : item.Value, separator, decimalComma && !names);
    }
    csv += "\r\n";
  };
  if (archive.Columns()) appendRow(*archive.Columns(), true);
  for (int r = 0; r < archive.RecordCount(); ++r) appendRow(*archive.Record(r), false);
  return csv;
}
