#include "OpenProtocolVarList.h"

#include "TextUtils.h"

using TextUtils::SameTextAscii;

void TOPVarList::Add(const QByteArray& name, const QByteArray& index, const QByteArray& value) {
  auto item = std::make_unique<TOPVarListItem>();
  item->Name = name;
  item->Index = index;
  item->Value = value;
  item->Ordinal = Count();
  FItems.push_back(std::move(item));
}

TOPVarListItem* TOPVarList::GetItem(int ordinal) {
  return ordinal >= 0 && ordinal < Count() ? FItems[static_cast<size_t>(ordinal)].get() : nullptr;
}

const TOPVarListItem* TOPVarList::GetItem(int ordinal) const { return const_cast<TOPVarList*>(this)->GetItem(ordinal); }

int TOPVarList::IndexOfName(const QByteArray& name) const {
  for (const auto& item : FItems)
    if (SameTextAscii(item->Name, name)) return item->Ordinal;
  return -1;
}

int TOPVarList::IndexOfVar(const QByteArray& name, const QByteArray& index) const {
  for (const auto& item : FItems)
    if (SameTextAscii(item->Name, name) && SameTextAscii(item->Index, index)) return item->Ordinal;
  return -1;
}

void TOPVarList::CopyTo(std::unique_ptr<TOPVarList>& destination) const { destination = Clone(); }

std::unique_ptr<TOPVarList> TOPVarList::Clone() const {
  auto copy = std::make_unique<TOPVarList>();
  for (const auto& item : FItems) copy->Add(item->Name, item->Index, item->Value);
  return copy;
}

void TOPVarList::AssignValues(const TOPVarList& source) {
  for (const auto& item : FItems) {
    const TOPVarListItem* match = source.GetItem(source.IndexOfVar(item->Name, item->Index));
    if (match) item->Value = match->Value;
  }
}

bool CopyVarList(const TOPVarList* source, std::unique_ptr<TOPVarList>& destination) {
  if (!source) return false;
  source->CopyTo(destination);
  return true;
}
