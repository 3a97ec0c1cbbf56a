#include "ArchiveRecords.h"

#include <limits>
#include <stdexcept>

namespace {

constexpr uint64_t kMaxOffset = std::numeric_limits<uint32_t>::max();
// The empty text: its length 0 at offset 0.
constexpr uint32_t kEmptyText = 0;
// A length takes 7 bits a byte, the lowest first; a set high bit says that
// another byte follows.
constexpr int kMaxLengthBytes = 10;

}  // namespace

TArchiveRecords::TArchiveRecords() : FText(1, '\0') {}

int TArchiveRecords::ValueCount(int record) const {
  if (record < 0 || record >= Count()) return 0;
  const size_t next = static_cast<size_t>(record) + 1;
  const size_t end = next < FFirstCell.size() ? FFirstCell[next] : FCells.size();
  return static_cast<int>(end - FFirstCell[static_cast<size_t>(record)]);
}

const uint32_t* TArchiveRecords::Cell(int record, int column) const {
  if (column < 0 || column >= ValueCount(record)) return nullptr;
  return &FCells[FFirstCell[static_cast<size_t>(record)] + static_cast<size_t>(column)];
}

QByteArrayView TArchiveRecords::Value(int record, int column) const {
  const uint32_t* cell = Cell(record, column);
  return cell ? Text(*cell) : QByteArrayView();
}

QByteArrayView TArchiveRecords::Index(int record) const {
  return record >= 0 && record < Count() ? Text(FIndexes[static_cast<size_t>(record)]) : QByteArrayView();
}

void TArchiveRecords::Reserve(qsizetype records, qsizetype cells, qsizetype textBytes) {
  FFirstCell.reserve(static_cast<size_t>(records));
  FIndexes.reserve(static_cast<size_t>(records));
  FCells.reserve(static_cast<size_t>(cells));
  FText.reserve(textBytes);
}

void TArchiveRecords::Squeeze() { FText.squeeze(); }

void TArchiveRecords::BeginRecord(QByteArrayView index) {
  if (FCells.size() > kMaxOffset || Count() == std::numeric_limits<int>::max())
    throw std::length_error("archive records");
  const bool asBefore = Count() > 0 && Text(FIndexes.back()) == index;
  const uint32_t text = asBefore ? FIndexes.back() : AddText(index);
  FFirstCell.push_back(static_cast<uint32_t>(FCells.size()));
  FIndexes.push_back(text);
}

void TArchiveRecords::AddValue(QByteArrayView value) {
  if (FFirstCell.empty()) BeginRecord({});
  if (FCells.size() >= kMaxOffset) throw std::length_error("archive records");
  const int column = static_cast<int>(FCells.size() - FFirstCell.back());
  const uint32_t* before = Count() > 1 ? Cell(Count() - 2, column) : nullptr;
  FCells.push_back(before && Text(*before) == value ? *before : AddText(value));
}

uint32_t TArchiveRecords::AddText(QByteArrayView text) {
  if (text.isEmpty()) return kEmptyText;
  if (static_cast<uint64_t>(FText.size()) + static_cast<uint64_t>(text.size()) + kMaxLengthBytes > kMaxOffset)
    throw std::length_error("archive records");
  const auto offset = static_cast<uint32_t>(FText.size());
  for (auto length = static_cast<uint64_t>(text.size());; length >>= 7) {
    const bool more = length >= 0x80;
    FText.append(static_cast<char>((length & 0x7F) | (more ? 0x80 : 0)));
    if (!more) break;
  }
  FText.append(text);
  return offset;
}

QByteArrayView TArchiveRecords::Text(uint32_t offset) const {
  const char* at = FText.constData() + offset;
  qsizetype length = 0;
  for (int shift = 0;; shift += 7) {
    const auto byte = static_cast<unsigned char>(*at++);
    length |= static_cast<qsizetype>(byte & 0x7F) << shift;
    if (!(byte & 0x80)) break;
  }
  return {at, length};
}
