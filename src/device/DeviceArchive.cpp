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

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

// An archive file is text: tab, CR and LF are the only control characters
// it may hold. A NUL or another control byte means a file of another kind
// or a damaged one, whose "rows" would be garbage shown as records.
bool IsText(const QByteArray& bytes) {
  return std::none_of(bytes.begin(), bytes.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte < 32 && byte != '\t' && byte != '\r' && byte != '\n') || byte == 127;
  });
}

QByteArrayView TrimLeft(QByteArrayView text) {
  qsizetype first = 0;
  while (first < text.size() && IsBlank(text[first])) ++first;
  return text.sliced(first);
}

QByteArrayView Trim(QByteArrayView text) {
  text = TrimLeft(text);
  qsizetype last = text.size();
  while (last > 0 && IsBlank(text[last - 1])) --last;
  return text.first(last);
}

QByteArrayView TrimRightSpaces(QByteArrayView text) {
  while (text.endsWith(' ')) text.chop(1);
  return text;
}

// As QByteArray::mid: empty from beyond the end, the rest for a length
// that is negative or reaches past the end.
QByteArrayView Mid(QByteArrayView text, qsizetype at, qsizetype length = -1) {
  if (at >= text.size()) return {};
  return length < 0 || length > text.size() - at ? text.sliced(at) : text.sliced(at, length);
}

struct TField {
  qsizetype Offset = 0;
  QByteArrayView Text;
};

// Splits a header or data row into fields at runs of two or more spaces:
// each field is the text before the next two spaces, and the next field
// starts after the blanks that follow them; the last field is trimmed.
std::vector<TField> SplitFields(QByteArrayView line) {
  std::vector<TField> fields;
  qsizetype at = 0;
  while (at < line.size()) {
    const qsizetype gap = line.indexOf(kFieldGap, at);
    if (gap < 0) {
      const QByteArrayView rest = line.sliced(at);
      fields.push_back({at + rest.size() - TrimLeft(rest).size(), Trim(rest)});
      break;
    }
    fields.push_back({at, line.sliced(at, gap - at)});
    at = gap + kFieldGap.size();
    while (at < line.size() && IsBlank(line[at])) ++at;
  }
  return fields;
}

// True when SplitFields would find no field or one: no two spaces, or
// nothing but blanks after the first two.
bool AtMostOneField(QByteArrayView text) {
  const qsizetype gap = text.indexOf(kFieldGap);
  if (gap < 0) return true;
  qsizetype at = gap + kFieldGap.size();
  while (at < text.size() && IsBlank(text[at])) ++at;
  return at >= text.size();
}

// True when the row was written for these column starts: the two characters
// before every column the row reaches are spaces (the padding of the field
// before), and a row that stops short of a column either ends exactly there
// or holds a single field in the last column it reaches.
bool LinesUp(QByteArrayView row, const std::vector<qsizetype>& starts) {
  for (size_t i = 1; i < starts.size(); ++i) {
    const qsizetype start = starts[i];
    if (start >= row.size()) return row.size() == start || AtMostOneField(Mid(row, starts[i - 1]));
    if (row[start - 1] != ' ' || row[start - 2] != ' ') return false;
  }
  return true;
}

// Adds the values of a data row, one per column, to the record begun last.
// The last column takes the rest of the row, so that fields beyond the
// columns are kept in it.
void AddRowValues(QByteArrayView row, const std::vector<qsizetype>& starts, TArchiveRecords& records) {
  const size_t columns = starts.size();
  if (LinesUp(row, starts)) {
    for (size_t k = 0; k < columns; ++k) {
      const qsizetype length = k + 1 < columns ? starts[k + 1] - starts[k] : -1;
      records.AddValue(TrimRightSpaces(Mid(row, starts[k], length)));
    }
    return;
  }
  const std::vector<TField> fields = SplitFields(row);
  size_t k = 0;
  for (; k < columns && k < fields.size(); ++k)
    records.AddValue(k + 1 < columns ? fields[k].Text : Trim(Mid(row, fields[k].Offset)));
  for (; k < columns; ++k) records.AddValue({});
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
  const std::vector<TField> fields = SplitFields(lines[static_cast<size_t>(header)]);
  if (static_cast<qsizetype>(fields.size()) != captionLines) return false;
  for (qsizetype i = 0; i < captionLines; ++i)
    if (!TextUtils::SameTextAscii(TextUtils::FirstWord(Line(lines, i)),
                                  fields[static_cast<size_t>(i)].Text.toByteArray()))
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

std::unique_ptr<TOPVarList> TDeviceArchive::Record(int position) const {
  if (position < 0 || position >= RecordCount()) return nullptr;
  const QByteArrayList& names = FRecords->Names();
  const QByteArray index = FRecords->Index(position).toByteArray();
  auto record = std::make_unique<TOPVarList>();
  record->Reserve(ValueCount(position));
  for (int k = 0; k < ValueCount(position); ++k) {
    const TOPVarListItem* column = FColumns ? FColumns->GetItem(k) : nullptr;
    record->Add(column ? column->Name : names.value(k), index, Value(position, k));
  }
  return record;
}

void TDeviceArchive::AppendRecord(const TOPVarList& record) {
  TArchiveRecords& records = *FRecords;
  if (records.Count() == 0) {
    QByteArrayList names;
    for (int k = 0; k < record.Count(); ++k) names.append(record.GetItem(k)->Name);
    records.SetNames(names);
  }
  records.BeginRecord(record.Count() > 0 ? QByteArrayView(record.GetItem(0)->Index) : QByteArrayView());
  for (int k = 0; k < record.Count(); ++k) records.AddValue(record.GetItem(k)->Value);
}

void TDeviceArchive::CopyTo(std::unique_ptr<TDeviceArchive>& target) const {
  if (target.get() == this) return;
  if (!target) target = std::make_unique<TDeviceArchive>();
  target->FRecords = FRecords;
  target->FColumns = FColumns ? FColumns->Clone() : nullptr;
  target->FCaptions = FCaptions ? FCaptions->Clone() : nullptr;
}

bool TDeviceArchive::LoadFile(const QString& fileName) {
  const std::optional<QByteArray> bytes = ReadRegularFile(fileName, kMaxFileBytes);
  return bytes && LoadFromBytes(*bytes);
}

bool TDeviceArchive::SaveFile(const QString& fileName) const { return SaveFileAtomically(fileName, SaveToBytes()); }

bool TDeviceArchive::LoadFromBytes(const QByteArray& bytes) {
  if (!IsText(bytes)) return false;
  const std::vector<QByteArrayView> lines = LineViews(bytes);
  const TLayout layout = FindLayout(lines);

  auto columns = std::make_unique<TOPVarList>();
  std::vector<qsizetype> starts;
  if (layout.Header >= 0) {
    for (const TField& field : SplitFields(lines[static_cast<size_t>(layout.Header)])) {
      columns->Add(field.Text.toByteArray());
      starts.push_back(starts.empty() ? 0 : field.Offset);
    }
  }
  // An empty file, or one whose header names no column, is no archive: the
  // table shown before is worth more than an empty one.
  if (columns->Count() == 0) return false;

  // Every row gives a value for every column, also a short or empty row: a
  // few bytes must not make a table of millions of cells.
  const qsizetype rows = layout.Header >= 0 ? static_cast<qsizetype>(lines.size()) - layout.Header - 1 : 0;
  if (static_cast<int64_t>(rows) * columns->Count() > bytes.size() / 2 + kSpareCells) return false;

  auto captions = std::make_unique<TOPVarList>();
  for (qsizetype i = 0; i < layout.CaptionLines; ++i) {
    captions->Add(CaptionOf(Line(lines, i), columns->GetItem(static_cast<int>(i))));
  }

  QSharedDataPointer<TArchiveRecords> records(new TArchiveRecords);
  // The texts of the values take less room than the rows that pad them; the
  // room not taken is given back.
  records->Reserve(rows, rows * columns->Count(), bytes.size() + 16);
  for (qsizetype i = layout.Header + 1; layout.Header >= 0 && i < static_cast<qsizetype>(lines.size()); ++i) {
    records->BeginRecord({});
    AddRowValues(lines[static_cast<size_t>(i)], starts, *records);
  }
  records->Squeeze();

  FColumns = std::move(columns);
  FCaptions = std::move(captions);
  FRecords = records;
  return true;
}

QByteArray TDeviceArchive::SaveToBytes() const {
  QByteArrayList header;
  if (FColumns) {
    for (int i = 0; i < FColumns->Count(); ++i) header.append(FColumns->GetItem(i)->Name);
  } else if (RecordCount() > 0) {
    header = FRecords->Names();
  }
  const int columnCount = static_cast<int>(header.size());

  QByteArray bytes;
  if (FColumns && FCaptions && columnCount > 0 && FCaptions->Count() == columnCount) {
    int nameWidth = 0;
    for (const QByteArray& name : header) nameWidth = std::max(nameWidth, int(name.size()));
    for (int i = 0; i < columnCount; ++i)
      bytes += TextUtils::PadRight(header[i], nameWidth) + kFieldGap + FCaptions->GetItem(i)->Name + kLineEnd;
    bytes += kLineEnd + kLineEnd;
  }

  std::vector<qsizetype> widths;
  for (const QByteArray& name : header) widths.push_back(name.size());
  for (int r = 0; r < RecordCount(); ++r) {
    const auto values = static_cast<size_t>(ValueCount(r));
    if (values > widths.size()) widths.resize(values, 0);
    for (size_t i = 0; i < values; ++i) widths[i] = std::max(widths[i], ValueView(r, int(i)).size());
  }

  const auto appendField = [&bytes, &widths](QByteArrayView text, size_t i) {
    bytes.append(text);
    bytes.append(widths[i] + 2 - text.size(), ' ');
  };
  for (int i = 0; i < columnCount; ++i) appendField(header[i], static_cast<size_t>(i));
  bytes += kLineEnd;
  for (int r = 0; r < RecordCount(); ++r) {
    for (int i = 0; i < ValueCount(r); ++i) appendField(ValueView(r, i), static_cast<size_t>(i));
    bytes += kLineEnd;
  }
  return bytes;
}
