#include "OpenProtocolText.h"

#include "TextUtils.h"

#include <cstring>

namespace OpenProtocolText {

using OpenProtocolFrame::TPacket;
using TextUtils::Trim;

QByteArray VarReference(const TOPVarListItem& item) {
  return item.Index.isEmpty() ? item.Name : item.Name + ':' + item.Index;
}

QByteArray ReadRequest(const TOPVarListItem& item) { return VarReference(item) + "=??;"; }

QByteArray WriteRequest(const TOPVarListItem& item) { return VarReference(item) + '=' + item.Value + ';'; }

QByteArray PackedReadRequest(const TOPVarList& list, int first, int& next) {
  next = first;
  QByteArray text;
  while (next < list.Count() && text.size() < kPackedText) {
    const QByteArray item = ReadRequest(*list.GetItem(next));
    if (!text.isEmpty() && text.size() + item.size() > kMaxText) break;
    text += item;
    ++next;
  }
  return text;
}

QByteArray BlockCountRequest(const TOPVarListItem& item) { return VarReference(item) + "=??##;"; }

QByteArray BlockRequest(const TOPVarListItem& item, int block) {
  return VarReference(item) + "=??#" + QByteArray::number(block) + ';';
}

std::optional<TPacket> TextPacket(uint8_t source, uint8_t destination, const QByteArray& text) {
  if (text.size() > kMaxText) return std::nullopt;
  TPacket packet;
  packet.Source = source;
  packet.Destination = destination;
  packet.Length = static_cast<uint8_t>(text.size() + kPayloadPrefix);
  std::memcpy(packet.Data.data() + kPayloadPrefix, text.constData(), static_cast<size_t>(text.size()));
  return packet;
}

QByteArray PacketText(const TPacket& packet) {
  if (packet.Length <= kPayloadPrefix) return {};
  return Trim(
      QByteArray(reinterpret_cast<const char*>(packet.Data.data()) + kPayloadPrefix, packet.Length - kPayloadPrefix));
}

TAnswerItem ParseAnswerItem(const QByteArray& item) {
  const qsizetype equals = item.indexOf('=');
  if (equals < 0) throw EPacketDBFormatError();
  TAnswerItem answer;
  const qsizetype colon = item.indexOf(':');
  if (colon >= 0) {
    answer.Name = Trim(item.left(colon));
    answer.Index = equals > colon ? Trim(item.mid(colon + 1, equals - colon - 1)) : QByteArray();
  } else {
    answer.Name = Trim(item.left(equals));
  }
  answer.Value = Trim(item.mid(equals + 1));
  return answer;
}

std::vector<TAnswerItem> ParseAnswerText(const QByteArray& text) {
  std::vector<TAnswerItem> items;
  QByteArray rest = Trim(text);
  for (qsizetype end = rest.indexOf(';'); end >= 0; end = rest.indexOf(';')) {
    const QByteArray item = rest.left(end);
    rest = rest.mid(end + 1);
    try {
      items.push_back(ParseAnswerItem(item));
    } catch (const EPacketDBFormatError&) {
      // A malformed item is skipped; the rest of the answer still counts.
    }
  }
  return items;
}

std::optional<int> ParseBlockCountAnswer(const QByteArray& text, const TOPVarListItem& requested) {
  const QByteArray trimmed = Trim(text);
  const qsizetype end = trimmed.indexOf(';');
  if (end < 0) return std::nullopt;
  TAnswerItem item;
  try {
    item = ParseAnswerItem(trimmed.left(end));
  } catch (const EPacketDBFormatError&) {
    return std::nullopt;
  }
  if (!TextUtils::SameTextAscii(item.Name, requested.Name) || !TextUtils::SameTextAscii(item.Index, requested.Index))
    return std::nullopt;
  if (!item.Value.startsWith("##")) return std::nullopt;
  const auto count = TextUtils::ParseInt32(item.Value.mid(2));
  if (!count || *count < 1) return std::nullopt;
  return count;
}

std::optional<QByteArray> AcceptBlockAnswer(const TPacket& packet, int block) {
  if (packet.Length < kPayloadPrefix) return std::nullopt;
  const int number = packet.Data[0] == 0 ? 1 : packet.Data[0];
  if (packet.Data[1] != kBlockPayload || number != block) return std::nullopt;
  return QByteArray(reinterpret_cast<const char*>(packet.Data.data()) + kPayloadPrefix, packet.Length - kPayloadPrefix);
}

}  // namespace OpenProtocolText
