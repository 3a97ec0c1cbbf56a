#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QVariant>

#include <array>
#include <cstdint>
#include <optional>

// How one archive record lies in the store's row, and back.
//
// DATETIME becomes a moment (seconds since 1970; none when the text is no
// valid time). SERIALN belongs to the installation, not to the row. The
// other 17 variables become numbers. A fixed-point text ("12.50") is its
// number and its count of decimals, kept three bits a column in one integer,
// so the text comes back as it was sent. A text that a number and its
// decimals would not give back ("0012", "1.2E-05", a word) keeps its exact
// bytes in the row's text field beside the number (none for a word), so
// nothing is ever stored as a silent 0.
namespace HistoryRecordCodec {

// The archive variables in the archive's order, and the two that are not
// numeric columns.
const QByteArrayList& ArchiveColumns();
constexpr int kDateTimeColumn = 1;
constexpr int kSerialColumn = 2;
// The numeric columns' names in the row (lower case, the archive's order
// without DATETIME and SERIALN).
const QByteArrayList& NumericColumns();

// The moment (seconds since 1970) of a DATETIME text, read as the PC's local
// time, to which the program sets the installation's clock; none for a text
// that is no valid time. MomentText gives the text back.
std::optional<qint64> Moment(const QByteArray& dateTime);
QByteArray MomentText(qint64 moment);

// One value as a number with its layout: the decimals, or kTextLayout when
// only the text gives it back.
constexpr int kTextLayout = 7;
struct TNumber {
  std::optional<double> Value;
  int Layout = 0;
};
TNumber EncodeNumber(const QByteArray& text);
// The text of a number stored with a layout other than kTextLayout; empty
// without a number.
QByteArray DecodeNumber(const std::optional<double>& value, int layout);

// A row of the store, ready to bind.
struct TRow {
  std::optional<qint64> Moment;
  qint64 Digest = 0;
  std::array<std::optional<double>, 17> Numbers;
  qint64 Layouts = 0;
  QByteArray Texts;  // empty when every value is given back by its number
};

// The values of the 19 variables, in ArchiveColumns() order.
TRow Encode(const QByteArrayList& values);
// The 19 texts back; the serial number comes from the installation.
QByteArrayList Decode(const std::optional<qint64>& moment, const std::array<std::optional<double>, 17>& numbers,
                      qint64 layouts, const QByteArray& texts, const QByteArray& serialNumber);

// The first 64 bits of the SHA-1 of the values: the content part of a row's
// unique key, the same in every program version.
qint64 Digest(const QByteArrayList& values);

// Texts kept beside the numbers: per value, its column (one byte), its length
// (two bytes, big-endian) and its bytes.
QByteArray PackTexts(const QList<std::pair<int, QByteArray>>& texts);
QList<std::pair<int, QByteArray>> UnpackTexts(const QByteArray& packed);

}  // namespace HistoryRecordCodec
