#include "ArchiveColumnWidths.h"

#include "DeviceArchive.h"
#include "Win1251.h"

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_map>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// True when every digit of the font has one advance, as in nearly every
// text font (tabular figures): then texts that differ only in their digits
// are equally wide.
bool HasTabularDigits(const QFontMetricsF& font) {
  const qreal zero = font.horizontalAdvance(QLatin1Char('0'));
  for (char digit = '1'; digit <= '9'; ++digit)
    if (font.horizontalAdvance(QLatin1Char(digit)) != zero) return false;
  return true;
}

// The texts of one column grouped by shape: a shape is the text with its
// digits taken as one character, so an archive of measurements has a few
// shapes per column although nearly every value differs. One text of each
// shape is measured.
class TShapes {
 public:
  explicit TShapes(bool tabular) : FTabular(tabular) {}

  // The text must stay where it is until Widest has measured it.
  void Add(QByteArrayView text) {
    const auto [known, added] = FFirstOfShape.try_emplace(Hash(text), text);
    // Two shapes with one hash: the newcomer is measured on its own.
    if (!added && !SameShape(known->second, text)) FOthers.push_back(text);
  }

  int Widest(const QFontMetricsF& font) const {
    int widest = 0;
    for (const auto& shape : FFirstOfShape) widest = std::max(widest, Width(font, shape.second));
    for (const QByteArrayView text : FOthers) widest = std::max(widest, Width(font, text));
    return widest;
  }

 private:
  char Mapped(char c) const { return FTabular && IsDigit(c) ? '0' : c; }

  // FNV-1a over the shape.
  uint64_t Hash(QByteArrayView text) const {
    uint64_t hash = 14695981039346656037ULL;
    for (const char c : text) hash = (hash ^ static_cast<unsigned char>(Mapped(c))) * 1099511628211ULL;
    return hash;
  }

  bool SameShape(QByteArrayView a, QByteArrayView b) const {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [this](char x, char y) { return Mapped(x) == Mapped(y); });
  }

  // Whole pixels, rounded up: a cell elides a text that lacks a fraction of
  // a pixel.
  static int Width(const QFontMetricsF& font, QByteArrayView text) {
    return static_cast<int>(std::ceil(font.horizontalAdvance(Win1251::ToUnicode(text.toByteArray()))));
  }

  bool FTabular;
  std::unordered_map<uint64_t, QByteArrayView> FFirstOfShape;
  std::vector<QByteArrayView> FOthers;
};

}  // namespace

std::vector<int> ArchiveColumnWidths::Fit(const TDeviceArchive& archive, const QFont& grid) {
  const QFontMetricsF font(grid);
  const TOPVarList* columns = archive.Columns();
  if (!columns) return {};
  const int count = columns->Count();
  // Measuring ten thousand texts one by one would take longer than showing
  // them.
  std::vector<TShapes> shapes(static_cast<size_t>(count), TShapes(HasTabularDigits(font)));
  for (int c = 0; c < count; ++c) shapes[static_cast<size_t>(c)].Add(columns->GetItem(c)->Name);
  for (int r = 0; r < archive.RecordCount(); ++r) {
    const int values = std::min(count, archive.ValueCount(r));
    for (int c = 0; c < values; ++c) shapes[static_cast<size_t>(c)].Add(archive.ValueView(r, c));
  }
  std::vector<int> widths(static_cast<size_t>(count));
  for (int c = 0; c < count; ++c)
    widths[static_cast<size_t>(c)] = std::max(shapes[static_cast<size_t>(c)].Widest(font) + kTextMargin, kMinimumWidth);
  return widths;
}
