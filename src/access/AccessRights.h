#pragma once

#include <QByteArray>

#include <array>

// Which tabs of the page tree an access string shows. The string is a list
// of items ended by ";" (the last one may be missing): a main page number M
// (1 to 5), or M-S with a sub-page S of the settings page (1 to 7) or of the
// spectrum page (1 to 2). A main page with sub-pages is shown exactly when
// one of its sub-pages is.
struct TAccessRights {
  static constexpr int kMainPages = 5;
  static constexpr int kSettingsPages = 7;
  static constexpr int kSpectrPages = 2;

  std::array<bool, kMainPages> MainPages{};
  std::array<bool, kSettingsPages> SettingsPages{};
  std::array<bool, kSpectrPages> SpectrPages{};

  // Items with numbers outside the ranges are ignored; a number that is not
  // an integer counts as 1.
  static TAccessRights Parse(const QByteArray& access);
};

// What the operator sees when no password grants more: the settings page
// with "Общее" and "Измерение".
inline const QByteArray kDefaultAccess = "1-1;1-2;";
