#include "OpenProtocolFrame.h"
#include "OpenProtocolText.h"

#include <QByteArray>

#include <cstdlib>

// Bytes as they could come off the line: decoded as a frame with either
// checksum, and the payload (or the raw bytes) parsed as an answer text.
// A frame that decodes must be rebuilt to the very bytes it came from.
namespace {

void ParseText(const QByteArray& text) {
  OpenProtocolText::ParseAnswerText(text);
  TOPVarListItem requested;
  requested.Name = "SPECTRUM1";
  OpenProtocolText::ParseBlockCountAnswer(text, requested);
  requested.Index = "A001";
  OpenProtocolText::ParseBlockCountAnswer(text, requested);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace OpenProtocolFrame;
  for (TChecksumKind kind : {TChecksumKind::Shift, TChecksumKind::Rotate}) {
    const TDecodeResult decoded = DecodeFrame(data, size, kind);
    if (!decoded.Ok) continue;
    const QByteArray rebuilt = BuildFrame(decoded.Packet, kind);
    if (static_cast<size_t>(rebuilt.size()) > size ||
        rebuilt != QByteArray::fromRawData(reinterpret_cast<const char*>(data), rebuilt.size()))
      std::abort();
    if (AnnouncedFrameLength(data, size) != static_cast<uint32_t>(rebuilt.size())) std::abort();
    ParseText(OpenProtocolText::PacketText(decoded.Packet));
    for (int block = 0; block <= 2; ++block) OpenProtocolText::AcceptBlockAnswer(decoded.Packet, block);
  }
  ParseText(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
  return 0;
}
