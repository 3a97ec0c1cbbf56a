#include "AccessRights.h"

#include "TextUtils.h"

#include <algorithm>

namespace {

int NumberOrOne(const QByteArray& text) { return TextUtils::ParseInt32(text).value_or(1); }

}  // namespace

TAccessRights TAccessRights::Parse(const QByteArray& access) {
  TAccessRights rights;
  QByteArray rest = access;
  while (!rest.isEmpty()) {
    const TextUtils::TSplit item = TextUtils::SplitAtFirst(rest, ";");
    rest = item.After;
    const TextUtils::TSplit parts = TextUtils::SplitAtFirst(item.Before, "-");
    if (parts.Before.isEmpty()) continue;
    const int main = NumberOrOne(parts.Before);
    if (main >= 1 && main <= kMainPages) rights.MainPages[main - 1] = true;
    if (parts.After.isEmpty()) continue;
    const int sub = NumberOrOne(parts.After);
    if (main == 1 && sub >= 1 && sub <= kSettingsPages) rights.SettingsPages[sub - 1] = true;
    if (main == 2 && sub >= 1 && sub <= kSpectrPages) rights.SpectrPages[sub - 1] = true;
  }
  const auto shown = [](bool visible) { return visible; };
  rights.MainPages[0] = std::any_of(rights.SettingsPages.begin(), rights.SettingsPages.end(), shown);
  rights.MainPages[1] = std::any_of(rights.SpectrPages.begin(), rights.SpectrPages.end(), shown);
  return rights;
}
