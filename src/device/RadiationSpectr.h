#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>

// One alpha spectrum: 1024 channel counts, the energy calibration
// (energy = A * channel + B) and a free comment.
//
// Two file formats: the binary ".SPC" (512 bytes of header text
// "A=...; B=...; //comment" padded with zeros, then the counts as 32-bit
// little-endian integers), which is read and written, and the text ".SP"
// (two header lines, then one count per line), which is only read.
class TRadiationSpectr {
 public:
  static constexpr int kChannels = 1024;
  static constexpr int kHeaderSize = 512;
  static constexpr int kBinarySize = kHeaderSize + kChannels * 4;  // 4608
  // A spectrum file is 4608 bytes (.SPC) or some 12 KB of text (.SP).
  static constexpr qint64 kMaxFileBytes = 1 << 20;

  long double A() const { return FA; }
  long double B() const { return FB; }
  const QByteArray& Comment() const { return FComment; }
  void SetA(long double a) { FA = a; }
  void SetB(long double b) { FB = b; }
  void SetCalibration(long double a, long double b) {
    FA = a;
    FB = b;
  }
  void SetComment(const QByteArray& comment) { FComment = comment; }

  // The count of a channel; 0 outside 0..1023.
  int32_t Channel(int index) const;
  // Ignored outside 0..1023.
  void SetChannel(int index, int32_t count);
  // Sets every count to 0; the calibration and the comment stay.
  void ClearChannels();

  // Takes the other's counts only (the views copy the calibration and the
  // comment themselves). False, and nothing changed, without a spectrum.
  bool CopyChannels(const TRadiationSpectr* other);

  // The block the installation sends: consecutive 32-bit counts, little-endian
  // or, with reverseBytes, big-endian; at most 1024 of them, a trailing
  // partial count ignored. Without a buffer the channels are cleared and the
  // result is false. The calibration and the comment are not touched.
  bool LoadDeviceBlock(const char* buffer, qsizetype count, bool reverseBytes);

  // By the file name's extension, in any case: ".SPC" binary, ".SP" text;
  // any other extension gives false and changes nothing, and so does a file
  // that is not a regular one or is larger than kMaxFileBytes.
  bool LoadFile(const QString& fileName);
  // Always the binary format, whatever the extension; a failed write leaves
  // an existing file as it was.
  bool SaveFile(const QString& fileName) const;

  // The contents of a binary file. Fewer than 4608 bytes give false and
  // change nothing; bytes after the first 4608 are ignored. A header key that
  // is missing keeps its value; an A or B that is not a number becomes 1 or 0.
  bool LoadBinary(const QByteArray& bytes);
  // The contents of a text file. A count line that is not an integer gives 0;
  // "ENERGYA=" and "ENERGYB=" words of the header set A and B, every other
  // header word goes to the comment, upper-cased and followed by " ; ".
  bool LoadText(const QByteArray& bytes);
  // The 4608 bytes of a binary file.
  QByteArray SaveBinary() const;

 private:
  std::array<int32_t, kChannels> FChannels{};
  long double FA = 1;
  long double FB = 0;
  QByteArray FComment;
};
