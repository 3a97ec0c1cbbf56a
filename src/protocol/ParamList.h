#pragma once

#include <QByteArray>

#include <cstdint>
#include <memory>
#include <vector>

class TParamListItem {
 public:
  intptr_t Data = 0;  // free for the caller (a column width, say)
  int64_t Number = 0;
  int16_t ShortNumber = 0;
  QByteArray Text;
  int Ordinal = 0;
};

// A small ordered list of a pointer-sized value and a text per item, for data
// that is not exchanged with the installation. Items are only appended, so
// ordinals equal positions. The text lookup is exact (case-sensitive).
class TParamList {
 public:
  TParamList() = default;
  TParamList(const TParamList&) = delete;
  TParamList& operator=(const TParamList&) = delete;

  int Count() const { return static_cast<int>(FItems.size()); }

  void Add(intptr_t data, const QByteArray& text, int16_t shortNumber, int64_t number);
  void AddPtr(intptr_t data) { Add(data, {}, 0, 0); }
  void AddStr(const QByteArray& text) { Add(0, text, 0, 0); }

  // The item at that ordinal, or null; callers may change Data and Text.
  TParamListItem* GetItem(int ordinal);
  const TParamListItem* GetItem(int ordinal) const;

  int IndexOfStr(const QByteArray& text) const;

 private:
  std::vector<std::unique_ptr<TParamListItem>> FItems;
};
