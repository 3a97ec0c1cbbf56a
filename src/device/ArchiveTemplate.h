#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QString>

#include <optional>

// A selection template (.ash): which archive records to read, every Step-th
// from LowRange to HighRange, and which variables. Windows-1251 text with
// CR LF line ends:
//
//   5            step
//   10           first record
//   40           last record
//   SUMALPHA     one variable name per line, none when nothing is chosen
//   RADON
struct TArchiveTemplate {
  int Step = 1;
  int LowRange = 1;
  int HighRange = 1;
  QByteArrayList Names;

  // Larger files are not templates; reading one would only hold the window.
  static constexpr qint64 kMaxFileSize = 1 << 20;

  // A number line that is not an integer gives step 1, first record 1 or
  // the last record totalRecords; every line after the third is a name,
  // empty ones included. A missing line counts as an empty one.
  static TArchiveTemplate FromBytes(const QByteArray& bytes, int totalRecords);
  QByteArray ToBytes() const;

  // None when the file does not exist, cannot be read or is not a regular
  // file of at most kMaxFileSize bytes: a pipe or a device named *.ash is
  // refused before it is opened, so it cannot hold the window.
  static std::optional<TArchiveTemplate> Load(const QString& fileName, int totalRecords);
  // Writes the whole file or nothing.
  bool Save(const QString& fileName) const;
};
