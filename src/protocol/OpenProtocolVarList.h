#pragma once

#include <QByteArray>

#include <algorithm>
#include <memory>
#include <vector>

// One named variable of an exchange. Index is empty for a plain variable;
// archive records use "A" and the record number (A007).
class TOPVarListItem {
 public:
  QByteArray Name;
  QByteArray Index;
  QByteArray Value;  // exactly as it travels on the line
  int Ordinal = 0;   // position in its list, fixed when added
};

// The ordered list of named text values that every exchange with the
// installation carries. Items are only ever appended, so ordinals equal
// positions. Name lookups ignore the case of ASCII letters only.
class TOPVarList {
 public:
  TOPVarList() = default;
  TOPVarList(const TOPVarList&) = delete;
  TOPVarList& operator=(const TOPVarList&) = delete;

  int Count() const { return static_cast<int>(FItems.size()); }

  void Add(const QByteArray& name, const QByteArray& index = {}, const QByteArray& value = {});
  // Room for that many items, for a list whose length is known beforehand.
  void Reserve(int count) { FItems.reserve(static_cast<size_t>(std::max(count, 0))); }

  // The item at that ordinal, or null. The list keeps ownership; the pointer
  // stays valid while the list lives.
  TOPVarListItem* GetItem(int ordinal);
  const TOPVarListItem* GetItem(int ordinal) const;

  // Ordinal of the first item with that name, or -1.
  int IndexOfName(const QByteArray& name) const;
  // Ordinal of the first item with that name and index, or -1. An empty index
  // matches only an empty index.
  int IndexOfVar(const QByteArray& name, const QByteArray& index) const;

  // Replaces the destination by a fresh copy of this list (new ordinals 0..n-1).
  void CopyTo(std::unique_ptr<TOPVarList>& destination) const;
  std::unique_ptr<TOPVarList> Clone() const;

  // For every item of this list takes the value of the source item with the
  // same name and index; items without a match keep their values.
  void AssignValues(const TOPVarList& source);

 private:
  std::vector<std::unique_ptr<TOPVarListItem>> FItems;
};

// CopyTo for a list that may be missing: a missing source leaves the
// destination untouched and gives false.
bool CopyVarList(const TOPVarList* source, std::unique_ptr<TOPVarList>& destination);
