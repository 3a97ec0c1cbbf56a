#include "RadiationSpectr.h"

#include "AtomicFile.h"
#include "RegularFile.h"
#include "TextUtils.h"

#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <optional>

namespace {

struct THeaderKey {
  bool Found = false;
  std::optional<long double> Value;  // none when the text is not a number
};

// A "KEY=value;" piece of the binary header: the value is the text from just
// after the first key up to the first ";" of the whole header, wherever that
// is. A ";" before the key leaves no text, which is no number, and nothing
// to remove; otherwise the piece from the key through that ";" is removed,
// so that the next key and the comment are looked for in what remains.
THeaderKey TakeHeaderKey(QByteArray& header, const QByteArray& key) {
  const qsizetype at = header.indexOf(key);
  const qsizetype end = header.indexOf(';');
  if (at < 0 || end < 0) return {};
  const qsizetype valueAt = at + key.size();
  if (end < valueAt) return {true, std::nullopt};
  THeaderKey result{true, TextUtils::ParseDecimal(TextUtils::Trim(header.mid(valueAt, end - valueAt)))};
  header.remove(at, end - at + 1);
  return result;
}

}  // namespace

int32_t TRadiationSpectr::Channel(int index) const {
  return index >= 0 && index < kChannels ? FChannels[static_cast<size_t>(index)] : 0;
}

void TRadiationSpectr::SetChannel(int index, int32_t count) {
  if (index >= 0 && index < kChannels) FChannels[static_cast<size_t>(index)] = count;
}

void TRadiationSpectr::ClearChannels() { FChannels.fill(0); }

bool TRadiationSpectr::CopyChannels(const TRadiationSpectr* other) {
  if (!other) return false;
  FChannels = other->FChannels;
  return true;
}

bool TRadiationSpectr::LoadDeviceBlock(const char* buffer, qsizetype count, bool reverseBytes) {
  ClearChannels();
  if (!buffer) return false;
  const qsizetype taken = std::clamp<qsizetype>(count / 4, 0, kChannels);
  for (qsizetype i = 0; i < taken; ++i) {
    const char* bytes = buffer + 4 * i;
    FChannels[static_cast<size_t>(i)] =
        reverseBytes ? qFromBigEndian<int32_t>(bytes) : qFromLittleEndian<int32_t>(bytes);
  }
  return true;
}

bool TRadiationSpectr::LoadFile(const QString& fileName) {
  const QByteArray suffix = TextUtils::AsciiUpper(QFileInfo(fileName).suffix().toLatin1());
  if (suffix != "SPC" && suffix != "SP") return false;
  const std::optional<QByteArray> bytes = ReadRegularFile(fileName, kMaxFileBytes);
  if (!bytes) return false;
  return suffix == "SPC" ? LoadBinary(*bytes) : LoadText(*bytes);
}

bool TRadiationSpectr::SaveFile(const QString& fileName) const { return SaveFileAtomically(fileName, SaveBinary()); }

bool TRadiationSpectr::LoadBinary(const QByteArray& bytes) {
  if (bytes.size() < kBinarySize) return false;
  LoadDeviceBlock(bytes.constData() + kHeaderSize, kChannels * 4, false);

  QByteArray header = TextUtils::Trim(bytes.left(kHeaderSize));
  if (const THeaderKey a = TakeHeaderKey(header, "A="); a.Found) FA = a.Value.value_or(1);
  if (const THeaderKey b = TakeHeaderKey(header, "B="); b.Found) FB = b.Value.value_or(0);
  const TextUtils::TSplit comment = TextUtils::SplitAtFirst(header, "//");
  if (comment.Found) FComment = comment.After;
  return true;
}

bool TRadiationSpectr::LoadText(const QByteArray& bytes) {
  const QByteArrayList lines = TextUtils::SplitLines(bytes);
  ClearChannels();
  const qsizetype countLines = std::clamp<qsizetype>(lines.size() - 2, 0, kChannels);
  for (qsizetype i = 0; i < countLines; ++i)
    FChannels[static_cast<size_t>(i)] = TextUtils::ParseInt32(lines[i + 2]).value_or(0);

  FA = 1;
  FB = 0;
  FComment.clear();
  const QByteArray header1 = lines.size() > 0 ? lines[0] : QByteArray();
  const QByteArray header2 = lines.size() > 1 ? lines[1] : QByteArray();
  const QByteArray words = TextUtils::Trim(TextUtils::AsciiUpper(header1) + ' ' + TextUtils::AsciiUpper(header2));
  // Word by word as the word helpers take them (leading blanks skipped, up
  // to the next space), walking the text once instead of copying what
  // remains after every word.
  qsizetype at = 0;
  while (at < words.size()) {
    while (at < words.size() && static_cast<unsigned char>(words[at]) <= 32) ++at;
    if (at == words.size()) break;
    qsizetype end = words.indexOf(' ', at);
    if (end < 0) end = words.size();
    const QByteArray word = words.mid(at, end - at);
    at = end + 1;
    if (word.startsWith("ENERGYA=")) {
      if (const auto a = TextUtils::ParseDecimal(word.mid(8))) FA = *a;
    } else if (word.startsWith("ENERGYB=")) {
      if (const auto b = TextUtils::ParseDecimal(word.mid(8))) FB = *b;
    } else {
      FComment += word + " ; ";
    }
  }
  return true;
}

QByteArray TRadiationSpectr::SaveBinary() const {
  QByteArray header = "A=" + TextUtils::FormatDecimal(FA) + "; B=" + TextUtils::FormatDecimal(FB) + "; //" + FComment;
  header.truncate(kHeaderSize);
  QByteArray bytes(kBinarySize, '\0');
  std::copy(header.cbegin(), header.cend(), bytes.begin());
  for (qsizetype i = 0; i < kChannels; ++i)
    qToLittleEndian(FChannels[static_cast<size_t>(i)], bytes.data() + kHeaderSize + 4 * i);
  return bytes;
}
