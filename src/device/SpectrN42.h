#pragma once

#include "RadiationSpectr.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>
#include <vector>

// Spectra as an ANSI N42.42-2012 document, the exchange format of radiation
// instruments: the instrument and its alpha detector, one energy
// calibration and one measurement per spectrum, the 1024 counts as channel
// data. UTF-8.
namespace SpectrN42 {

inline constexpr char kNamespace[] = "http://physics.nist.gov/N42/2011/N42";

struct TMeasurement {
  const TRadiationSpectr* Spectr = nullptr;
  bool Background = false;         // MeasurementClassCode Background, else Foreground
  std::optional<QDateTime> Start;  // written without a zone: the installation's clock
  std::optional<double> RealSeconds;
  std::optional<double> LiveSeconds;
};

struct TInstrument {
  QString SerialNumber;     // empty: not written
  QString SoftwareVersion;  // the program's own
};

// A measurement dated by the installation: it ended at its clock's DATETIME
// and lasted DURATIONTIME minutes. A text that does not parse leaves its
// part out.
TMeasurement Timed(const TRadiationSpectr& spectr, bool background, const QByteArray& dateTime,
                   const QByteArray& durationMinutes);

// Measurements without a spectrum are skipped.
QByteArray Document(const std::vector<TMeasurement>& measurements, const TInstrument& instrument);

// Written atomically: a failed write leaves an existing file as it was.
bool Save(const QString& fileName, const std::vector<TMeasurement>& measurements, const TInstrument& instrument);

}  // namespace SpectrN42
