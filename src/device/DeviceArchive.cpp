#include "DeviceArchive.h"

#include "AtomicFile.h"
#include "RegularFile.h"
#include "TextUtils.h"

#include <QByteArrayView>

#include <algorithm>
#include <cctype>
#include <optional>

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

// The lines of the file as views into its bytes, split as TextUtils does:
// at LF, a CR before the LF dropped, no line after a final line break.
std::vector<QByteArrayView> LineViews(const QByteArray& bytes) {
  std::vector<QByteArrayView> lines;
  qsizetype at = 0;
  while (at < bytes.size()) {
    qsizetype end = bytes.indexOf('\n', at);
    const qsizetype next = end < 0 ? bytes.size() : end + 1;
    if (end < 0) end = bytes.size();
    const qsizetype length = end - at - (end > at && bytes[end - 1] == '\r' ? 1 : 0);
    lines.emplace_back(bytes.constData() + at, length);
    at = next;
  }
  return lines;
}

QByteArray Line(const std::vector<QByteArrayView>& lines, qsizetype i) {
  return lines[static_cast<size_t>(i)].toByteArray();
}

// Where the header row is: after the caption section when the file has one,
// else the first line that is not empty.
struct TLayout {
  qsizetype CaptionLines = 0;
  qsizetype Header = -1;
};

// True when the lines before the header are the caption lines of its
// columns: one a column, each starting with its column's name.
bool CaptionsOf(const std::vector<QByteArrayView>& lines, qsizetype captionLines, qsizetype header) {
  const std::vector<TField> fields = SplitFields(Line(lines, header));
  if (static_cast<qsizetype>(fields.size()) != captionLines) return false;
  for (qsizetype i = 0; i < captionLines; ++i)
    if (!TextUtils::SameTextAscii(TextUtils::FirstWord(Line(lines, i)), fields[static_cast<size_t>(i)].Text))
      return false;
  return true;
}

// True when every line is a variable's name, two spaces or more and a
// caption, as the caption section holds them; data rows begin with values.
bool LookLikeCaptions(const std::vector<QByteArrayView>& lines, qsizetype captionLines) {
  for (qsizetype i = 0; i < captionLines; ++i) {
    const QByteArray line = Line(lines, i);
    const QByteArray name = TextUtils::FirstWord(line);
    const bool isName = !name.isEmpty() && std::isalpha(static_cast<unsigned char>(name[0])) &&
                        std::all_of(name.begin(), name.end(),
                                    [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; });
    if (!isName || !line.contains(name + kFieldGap) || TextUtils::DropFirstWord(line).isEmpty()) return false;
  }
  return true;
}

// The program writes the caption section followed by two empty lines. A
// section followed by one empty line is taken as such when its lines name
// the header's columns; a section with its two empty lines and nothing after
// them gives captions and no columns when its lines look like captions. Any
// other file has no caption section.
TLayout FindLayout(const std::vector<QByteArrayView>& lines) {
  const qsizetype count = static_cast<qsizetype>(lines.size());
  auto firstNonEmpty = [&lines, count](qsizetype from) {
    for (qsizetype i = from; i < count; ++i)
      if (!lines[static_cast<size_t>(i)].isEmpty()) return i;
    return qsizetype{-1};
  };
  qsizetype firstEmpty = -1;
  for (qsizetype i = 0; i < count && firstEmpty < 0; ++i)
    if (lines[static_cast<size_t>(i)].isEmpty()) firstEmpty = i;
  if (firstEmpty >= 0) {
    const qsizetype header = firstNonEmpty(firstEmpty + 1);
    const bool twoEmpty = firstEmpty + 1 < count && lines[static_cast<size_t>(firstEmpty + 1)].isEmpty();
    if (twoEmpty && header >= 0) return {firstEmpty, header};
    if (twoEmpty && firstEmpty > 0 && LookLikeCaptions(lines, firstEmpty)) return {firstEmpty, header};
    if (!twoEmpty && header >= 0 && CaptionsOf(lines, firstEmpty, header)) return {firstEmpty, header};
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

QByteArray TDeviceArchive::Value(int record, int column) const {
  const TOPVarList* values = Record(record);
  const TOPVarListItem* item = values ? values->GetItem(column) : nullptr;
  return item ? item->Value : QByteArray();
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
  const std::optional<QByteArray> bytes = ReadRegularFile(fileName, kMaxFileBytes);
  return bytes && LoadFromBytes(*bytes);
}

bool TDeviceArchive::SaveFile(const QString& fileName) const { return SaveFileAtomically(fileName, SaveToBytes()); }

bool TDeviceArchive::LoadFromBytes(const QByteArray& bytes) {
  const std::vector<QByteArrayView> lines = LineViews(bytes);
  const TLayout layout = FindLayout(lines);

  auto columns = std::make_unique<TOPVarList>();
  std::vector<qsizetype> starts;
  if (layout.Header >= 0) {
    for (const TField& field : SplitFields(Line(lines, layout.Header))) {
      columns->Add(field.Text);
      starts.push_back(starts.empty() ? 0 : field.Offset);
    }
  }

  // Every row gives a value for every column, also a short or empty row: a
  // few bytes must not make a table of millions of cells.
  const qsizetype rows = layout.Header >= 0 ? static_cast<qsizetype>(lines.size()) - layout.Header - 1 : 0;
  if (static_cast<int64_t>(rows) * columns->Count() > bytes.size() / 2 + kSpareCells) return false;

  auto captions = std::make_unique<TOPVarList>();
  for (qsizetype i = 0; i < layout.CaptionLines; ++i) {
    captions->Add(CaptionOf(Line(lines, i), columns->GetItem(static_cast<int>(i))));
  }

  std::vector<std::unique_ptr<TOPVarList>> records;
  records.reserve(static_cast<size_t>(rows));
  // Most columns of an archive hold the same value record after record
  // (thresholds, flags, the mode); such a value is shared with the record
  // before instead of being held once per record.
  QByteArrayList previous(columns->Count());
  for (qsizetype i = layout.Header + 1; layout.Header >= 0 && i < static_cast<qsizetype>(lines.size()); ++i) {
    QByteArrayList values = RowValues(Line(lines, i), starts);
    auto record = std::make_unique<TOPVarList>();
    record->Reserve(columns->Count());
    for (int k = 0; k < columns->Count(); ++k) {
      if (values[k] == previous[k]) values[k] = previous[k];
      record->Add(columns->GetItem(k)->Name, {}, values[k]);
      previous[k] = values[k];
    }
    records.push_back(std::move(record));
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
  if (FColumns && FCaptions && columnCount > 0 && FCaptions->Count() == columnCount) {
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
