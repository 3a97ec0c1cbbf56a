#include "SpectrN42.h"

#include "AtomicFile.h"
#include "DeviceValues.h"
#include "TextUtils.h"
#include "Win1251.h"

#include <QXmlStreamWriter>

namespace SpectrN42 {

namespace {

QString Duration(double seconds) { return QStringLiteral("PT%1S").arg(seconds, 0, 'f', 3); }

QString Decimal(long double value) { return QString::fromLatin1(TextUtils::FormatDecimal(value)); }

}  // namespace

TMeasurement Timed(const TRadiationSpectr& spectr, bool background, const QByteArray& dateTime,
                   const QByteArray& durationMinutes) {
  TMeasurement m{&spectr, background, std::nullopt, std::nullopt, std::nullopt};
  const std::optional<QDateTime> end = DeviceValues::DeviceMoment(dateTime);
  const std::optional<long double> minutes = TextUtils::ParseDecimal(TextUtils::Trim(durationMinutes));
  if (minutes && *minutes >= 0) m.RealSeconds = static_cast<double>(*minutes * 60);
  if (end) m.Start = m.RealSeconds ? end->addMSecs(-static_cast<qint64>(*m.RealSeconds * 1000)) : *end;
  return m;
}

QByteArray Document(const std::vector<TMeasurement>& measurements, const TInstrument& instrument) {
  QByteArray bytes;
  QXmlStreamWriter xml(&bytes);
  xml.setAutoFormatting(true);
  xml.writeStartDocument();
  xml.writeDefaultNamespace(QString::fromLatin1(kNamespace));
  xml.writeStartElement(QStringLiteral("RadInstrumentData"));
  xml.writeTextElement(QStringLiteral("RadInstrumentDataCreatorName"),
                       QStringLiteral("КЕВ ") + instrument.SoftwareVersion);

  xml.writeStartElement(QStringLiteral("RadInstrumentInformation"));
  xml.writeAttribute(QStringLiteral("id"), QStringLiteral("RadInstrumentInformation-1"));
  xml.writeTextElement(QStringLiteral("RadInstrumentManufacturerName"), QStringLiteral("КЕВ"));
  if (!instrument.SerialNumber.isEmpty())
    xml.writeTextElement(QStringLiteral("RadInstrumentIdentifier"), instrument.SerialNumber);
  xml.writeTextElement(QStringLiteral("RadInstrumentModelName"),
                       QStringLiteral("КЕВ: установка радиометрического контроля аэрозолей"));
  xml.writeTextElement(QStringLiteral("RadInstrumentClassCode"), QStringLiteral("Network Area Monitor"));
  xml.writeStartElement(QStringLiteral("RadInstrumentVersion"));
  xml.writeTextElement(QStringLiteral("RadInstrumentComponentName"), QStringLiteral("Software"));
  xml.writeTextElement(QStringLiteral("RadInstrumentComponentVersion"), instrument.SoftwareVersion);
  xml.writeEndElement();
  xml.writeEndElement();

  xml.writeStartElement(QStringLiteral("RadDetectorInformation"));
  xml.writeAttribute(QStringLiteral("id"), QStringLiteral("RadDetectorInformation-1"));
  xml.writeTextElement(QStringLiteral("RadDetectorCategoryCode"), QStringLiteral("Alpha"));
  xml.writeTextElement(QStringLiteral("RadDetectorKindCode"), QStringLiteral("Other"));
  xml.writeTextElement(QStringLiteral("RadDetectorDescription"),
                       QStringLiteral("Alpha spectrometer of the aerosol filter, 1024 channels"));
  xml.writeEndElement();

  std::vector<const TMeasurement*> shown;
  for (const TMeasurement& m : measurements)
    if (m.Spectr) shown.push_back(&m);

  for (size_t i = 0; i < shown.size(); ++i) {
    const TRadiationSpectr& spectr = *shown[i]->Spectr;
    xml.writeStartElement(QStringLiteral("EnergyCalibration"));
    xml.writeAttribute(QStringLiteral("id"), QStringLiteral("EnergyCalibration-%1").arg(i + 1));
    // keV = c0 + c1 * channel.
    xml.writeTextElement(QStringLiteral("CoefficientValues"),
                         Decimal(spectr.B()) + QLatin1Char(' ') + Decimal(spectr.A()));
    xml.writeEndElement();
  }

  for (size_t i = 0; i < shown.size(); ++i) {
    const TMeasurement& m = *shown[i];
    const TRadiationSpectr& spectr = *m.Spectr;
    xml.writeStartElement(QStringLiteral("RadMeasurement"));
    xml.writeAttribute(QStringLiteral("id"), QStringLiteral("RadMeasurement-%1").arg(i + 1));
    if (!spectr.Comment().isEmpty())
      xml.writeTextElement(QStringLiteral("Remark"), Win1251::ToUnicode(spectr.Comment()));
    xml.writeTextElement(QStringLiteral("MeasurementClassCode"),
                         m.Background ? QStringLiteral("Background") : QStringLiteral("Foreground"));
    if (m.Start && m.Start->isValid())
      xml.writeTextElement(QStringLiteral("StartDateTime"), m.Start->toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")));
    if (m.RealSeconds) xml.writeTextElement(QStringLiteral("RealTimeDuration"), Duration(*m.RealSeconds));
    xml.writeStartElement(QStringLiteral("Spectrum"));
    xml.writeAttribute(QStringLiteral("id"), QStringLiteral("Spectrum-%1").arg(i + 1));
    xml.writeAttribute(QStringLiteral("radDetectorInformationReference"), QStringLiteral("RadDetectorInformation-1"));
    xml.writeAttribute(QStringLiteral("energyCalibrationReference"), QStringLiteral("EnergyCalibration-%1").arg(i + 1));
    if (m.LiveSeconds) xml.writeTextElement(QStringLiteral("LiveTimeDuration"), Duration(*m.LiveSeconds));
    QString channels;
    channels.reserve(TRadiationSpectr::kChannels * 6);
    for (int c = 0; c < TRadiationSpectr::kChannels; ++c) {
      if (c > 0) channels += QLatin1Char(' ');
      channels += QString::number(spectr.Channel(c));
    }
    xml.writeStartElement(QStringLiteral("ChannelData"));
    xml.writeAttribute(QStringLiteral("compressionCode"), QStringLiteral("None"));
    xml.writeCharacters(channels);
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndElement();
  }
  xml.writeEndElement();
  xml.writeEndDocument();
  return bytes;
}

bool Save(const QString& fileName, const std::vector<TMeasurement>& measurements, const TInstrument& instrument) {
  return SaveFileAtomically(fileName, Document(measurements, instrument));
}

}  // namespace SpectrN42
