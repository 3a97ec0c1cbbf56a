#include "ParamList.h"

void TParamList::Add(intptr_t data, const QByteArray& text, int16_t shortNumber, int64_t number) {
  auto item = std::make_unique<TParamListItem>();
  item->Data = data;
  item->Text = text;
  item->ShortNumber = shortNumber;
  item->Number = number;
  item->Ordinal = Count();
  FItems.push_back(std::move(item));
}

TParamListItem* TParamList::GetItem(int ordinal) {
  return ordinal >= 0 && ordinal < Count() ? FItems[static_cast<size_t>(ordinal)].get() : nullptr;
}

const TParamListItem* TParamList::GetItem(int ordinal) const { return const_cast<TParamList*>(this)->GetItem(ordinal); }

int TParamList::IndexOfStr(const QByteArray& text) const {
  for (const auto& item : FItems)
    if (item->Text == text) return item->Ordinal;
  return -1;
}
