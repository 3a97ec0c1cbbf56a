#include "DeviceArchive.h"

#include "AtomicFile.h"
#include "TextUtils.h"

#include <QFile>

#include <algorithm>

namespace {

const QByteArray kLineEnd = "\r\n";
const QByteArray kFieldGap = "  ";

struct TField {
  qsizetype Offset = 0;
  QByteArray Text;
};

// Splits a header or data row into fields at runs of two or more spaces:
// each field is the text before the next two spaces, and the next field
// starts after the blanks that follow them; the last field is trimmed.
std::vector<TField> SplitFields(const QByteArray& line) {
  std::vector<TField> fields;
  qsizetype at = 0;
  while (at < line.size()) {
    const qsizetype gap = line.indexOf(kFieldGap, at);
    if (gap < 0) {
      const QByteArray rest = line.mid(at);
      const qsizetype lead = rest.size() - TextUtils::TrimLeft(rest).size();
      fields.push_back({at + lead, TextUtils::Trim(rest)});
      break;
    }
    fields.push_back({at, line.mid(at, gap - at)});
    at = gap + kFieldGap.size();
    while (at < line.size() && static_cast<unsigned char>(line[at]) <= 32) ++at;
  }
  return fields;
}

QByteArray TrimRightSpaces(QByteArray text) {
  while (text.endsWith(' ')) text.chop(1);
  return text;
}

// True when the row was written for these column starts: the two characters
// before every column the row reaches are spaces (the padding of the field
// before), and a row that stops short of a column either ends exactly there
// or holds a single field in the last column it reaches.
bool LinesUp(const QByteArray& row, const std::vector<qsizetype>& starts) {
  for (size_t i = 1; i < starts.size(); ++i) {
    const qsizetype start = starts[i];
    if (start >= row.size()) return row.size() == start || SplitFields(row.mid(starts[i - 1])).size() <= 1;
    if (row[start - 1] != ' ' || row[start - 2] != ' ') return false;
  }
  return true;
}

// The values of a data row, one per column. The last column takes the rest
// of the row, so that fields beyond the columns are kept in it.
QByteArrayList RowValues(const QByteArray& row, const std::vector<qsizetype>& starts) {
  const size_t columns = starts.size();
  QByteArrayList values;
  if (LinesUp(row, starts)) {
    for (size_t k = 0; k < columns; ++k) {
      const qsizetype length = k + 1 < columns ? starts[k + 1] - starts[k] : -1;
      values.append(TrimRightSpaces(row.mid(starts[k], length)));
    }
    return values;
  }
  const std::vector<TField> fields = SplitFields(row);
  for (size_t k = 0; k < columns && k < fields.size(); ++k)
    values.append(k + 1 < columns ? fields[k].Text : TextUtils::Trim(row.mid(fields[k].Offset)));
  while (static_cast<size_t>(values.size()) < columns) values.append(QByteArray());
  return values;
}

// Where the header row is: after the caption section and its two empty
// lines when the file has them, else the first line that is not empty.
struct TLayout {
  qsizetype CaptionLines = 0;
  qsizetype Header = -1;
};

TLayout FindLayout(const QByteArrayList& lines) {
  auto firstNonEmpty = [&lines](qsizetype from) {
    for (qsizetype i = from; i < lines.size(); ++i)
      if (!lines[i].isEmpty()) return i;
    return qsizetype{-1};
  };
  const qsizetype firstEmpty = lines.indexOf(QByteArray());
  if (firstEmpty >= 0 && firstEmpty + 1 < lines.size() && lines[firstEmpty + 1].isEmpty()) {
    const qsizetype header = firstNonEmpty(firstEmpty + 2);
    if (header >= 0) return {firstEmpty, header};
  }
  return {0, firstNonEmpty(0)};
}

// A caption line is the column name, padding, two spaces and the caption.
// Without a column for the line its first word is taken for the name.
QByteArray CaptionOf(const QByteArray& line, const TOPVarListItem* column) {
  if (column && line.startsWith(column->Name)) return TextUtils::TrimLeft(line.mid(column->Name.size()));
  return TextUtils::DropFirstWord(line);
}

}  // namespace

const TOPVarList* TDeviceArchive::Record(int position) const {
  return position >= 0 && position < RecordCount() ? FRecords[static_cast<size_t>(position)].get() : nullptr;
}

void TDeviceArchive::CopyTo(std::unique_ptr<TDeviceArchive>& target) const {
  if (target.get() == this) return;
  if (!target) target = std::make_unique<TDeviceArchive>();
  target->ClearRecords();
  for (const auto& record : FRecords) target->AppendRecord(*record);
  target->FColumns = FColumns ? FColumns->Clone() : nullptr;
  target->FCaptions = FCaptions ? FCaptions->Clone() : nullptr;
}

bool TDeviceArchive::LoadFile(const QString& fileName) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) return false;
  return LoadFromBytes(bytes);
}

bool TDeviceArchive::SaveFile(const QString& fileName) const { return SaveFileAtomically(fileName, SaveToBytes()); }

bool TDeviceArchive::LoadFromBytes(const QByteArray& bytes) {
  const QByteArrayList lines = TextUtils::SplitLines(bytes);
  const TLayout layout = FindLayout(lines);

  auto columns = std::make_unique<TOPVarList>();
  std::vector<qsizetype> starts;
  if (layout.Header >= 0) {
    for (const TField& field : SplitFields(lines[layout.Header])) {
      columns->Add(field.Text);
      starts.push_back(starts.empty() ? 0 : field.Offset);
    }
  }

  auto captions = std::make_unique<TOPVarList>();
  for (qsizetype i = 0; i < layout.CaptionLines; ++i) {
    captions->Add(CaptionOf(lines[i], columns->GetItem(static_cast<int>(i))));
  }

  std::vector<std::unique_ptr<TOPVarList>> records;
  if (layout.Header >= 0) {
    for (qsizetype i = layout.Header + 1; i < lines.size(); ++i) {
      const QByteArrayList values = RowValues(lines[i], starts);
      auto record = std::make_unique<TOPVarList>();
      for (int k = 0; k < columns->Count(); ++k) record->Add(columns->GetItem(k)->Name, {}, values[k]);
      records.push_back(std::move(record));
    }
  }

  FColumns = std::move(columns);
  FCaptions = std::move(captions);
  FRecords = std::move(records);
  return true;
}

QByteArray TDeviceArchive::SaveToBytes() const {
  const TOPVarList* header = FColumns ? FColumns.get() : (FRecords.empty() ? nullptr : FRecords.front().get());
  const int columnCount = header ? header->Count() : 0;

  QByteArray bytes;
  if (FColumns && FCaptions && FCaptions->Count() == FColumns->Count()) {
    int nameWidth = 0;
    for (int i = 0; i < columnCount; ++i) nameWidth = std::max(nameWidth, int(FColumns->GetItem(i)->Name.size()));
    for (int i = 0; i < columnCount; ++i)
      bytes += TextUtils::PadRight(FColumns->GetItem(i)->Name, nameWidth) + kFieldGap + FCaptions->GetItem(i)->Name +
               kLineEnd;
    bytes += kLineEnd + kLineEnd;
  }

  std::vector<int> widths(static_cast<size_t>(columnCount), 0);
  for (int i = 0; i < columnCount; ++i) widths[static_cast<size_t>(i)] = int(header->GetItem(i)->Name.size());
  for (const auto& record : FRecords) {
    if (static_cast<size_t>(record->Count()) > widths.size()) widths.resize(static_cast<size_t>(record->Count()), 0);
    for (int i = 0; i < record->Count(); ++i)
      widths[static_cast<size_t>(i)] = std::max(widths[static_cast<size_t>(i)], int(record->GetItem(i)->Value.size()));
  }

  for (int i = 0; i < columnCount; ++i)
    bytes += TextUtils::PadRight(header->GetItem(i)->Name, widths[static_cast<size_t>(i)] + 2);
  bytes += kLineEnd;
  for (const auto& record : FRecords) {
    for (int i = 0; i < record->Count(); ++i)
      bytes += TextUtils::PadRight(record->GetItem(i)->Value, widths[static_cast<size_t>(i)] + 2);
    bytes += kLineEnd;
  }
  return bytes;
}
