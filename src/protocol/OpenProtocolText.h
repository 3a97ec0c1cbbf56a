#pragma once

#include "OpenProtocolFrame.h"
#include "OpenProtocolVarList.h"

#include <QByteArray>

#include <optional>
#include <vector>

// The text carried inside a frame: items "Name[:Index]=value;". A read asks
// with the value "??", a block-count request with "??##", block j with
// "??#j"; the installation answers "@@" for a variable it has no value for.
// There is no quoting: a ";" inside a value ends its item.
namespace OpenProtocolText {

// A text payload starts with the block number and the payload kind.
constexpr int kPayloadPrefix = 2;
constexpr int kMaxText = OpenProtocolFrame::kMaxData - kPayloadPrefix;  // 253
// A packed read request grows until its text is at least this long.
constexpr int kPackedText = 127;
constexpr uint8_t kBlockPayload = 1;
const QByteArray kNoValue = "@@";

// A malformed answer item (no "="). Caught per item by the answer parser.
class EPacketDBFormatError {};

// "Name", or "Name:Index" when the index is not empty.
QByteArray VarReference(const TOPVarListItem& item);
QByteArray ReadRequest(const TOPVarListItem& item);
QByteArray WriteRequest(const TOPVarListItem& item);
// The read items of the list from position first on, in one request: items
// are appended until the text is at least kPackedText characters long or the
// list ends, and an item that would take the text past kMaxText is left for
// the next request. The first item is always taken, however long (a text
// past kMaxText is then refused before sending). next becomes the position
// after the last item taken.
QByteArray PackedReadRequest(const TOPVarList& list, int first, int& next);
QByteArray BlockCountRequest(const TOPVarListItem& item);
QByteArray BlockRequest(const TOPVarListItem& item, int block);

// The request packet for a text: block number and kind 0, then the text.
// A text longer than a frame can carry gives no packet.
std::optional<OpenProtocolFrame::TPacket> TextPacket(uint8_t source, uint8_t destination, const QByteArray& text);

// The text of a text answer: the data after the block number and the kind,
// trimmed of bytes 0..32 at both ends.
QByteArray PacketText(const OpenProtocolFrame::TPacket& packet);

struct TAnswerItem {
  QByteArray Name;
  QByteArray Index;
  QByteArray Value;
};

// One item (the text between two ";"). Throws EPacketDBFormatError when the
// item has no "=".
TAnswerItem ParseAnswerItem(const QByteArray& item);

// Every well-formed item of an answer text, in order. Malformed items are
// skipped; text after the last ";" is ignored.
std::vector<TAnswerItem> ParseAnswerText(const QByteArray& text);

// The number of blocks from a block-count answer ("Name=##n;") for the
// requested variable; no value for any fault, or a count below 1.
std::optional<int> ParseBlockCountAnswer(const QByteArray& text, const TOPVarListItem& requested);

// The content of a block answer for block j (kind 1, block number j, where a
// 0 reads as 1); no value when the answer is not that block.
std::optional<QByteArray> AcceptBlockAnswer(const OpenProtocolFrame::TPacket& packet, int block);

}  // namespace OpenProtocolText
