#include "Passwords.h"
#include "TextUtils.h"

#include <QByteArray>
#include <QString>

#include <cstdlib>

namespace {

bool SameEntries(const TPasswords& a, const TPasswords& b) {
  if (a.Password().Count() != b.Password().Count() || a.Privilege().Count() != b.Privilege().Count()) return false;
  for (int i = 0; i < a.Password().Count(); ++i)
    if (a.Password().GetItem(i)->Text != b.Password().GetItem(i)->Text ||
        a.Privilege().GetItem(i)->Text != b.Privilege().GetItem(i)->Text)
      return false;
  return true;
}

// Whatever a list holds after a load comes back unchanged through a save and
// a load of the same form.
void CheckRoundTrip(const TPasswords& loaded, bool caseSensitive, const QString& name) {
  if (loaded.Password().Count() < 1 || loaded.Password().Count() != loaded.Privilege().Count()) std::abort();
  const QByteArray scrambled = loaded.SaveToBytes(name);
  TPasswords again(caseSensitive);
  if (!again.LoadFromBytes(scrambled, name) || !SameEntries(loaded, again) || again.SaveToBytes(name) != scrambled)
    std::abort();
  const QByteArray plain = loaded.SaveSourceToBytes();
  // The plain form cannot hold a line break inside an entry; the scrambled
  // one can.
  if (plain.count('\n') != loaded.Password().Count()) return;
  TPasswords source(caseSensitive);
  if (!source.LoadSourceFromBytes(plain) || !SameEntries(loaded, source)) std::abort();
}

}  // namespace

// The scrambled password file and its plain source: any bytes of no more
// lines than a password file holds give a list; more give none.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const QString name = QStringLiteral("qev.pwd");
  for (const bool caseSensitive : {true, false}) {
    TPasswords scrambled(caseSensitive);
    const bool loaded = scrambled.LoadFromBytes(bytes, name);
    if (loaded != (TextUtils::SplitLines(bytes).size() <= TPasswords::kMaxLines)) std::abort();
    if (!loaded) {
      if (scrambled.Password().Count() != 0) std::abort();
      continue;
    }
    CheckRoundTrip(scrambled, caseSensitive, name);
    TPasswords plain(caseSensitive);
    if (!plain.LoadSourceFromBytes(bytes)) std::abort();
    CheckRoundTrip(plain, caseSensitive, name);
  }
  return 0;
}
