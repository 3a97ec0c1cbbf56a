#include "DeviceArchive.h"

#include <QByteArray>

#include <cstdlib>

namespace {

bool SameList(const TOPVarList* a, const TOPVarList* b) {
  if (!a || !b) return a == b;
  if (a->Count() != b->Count()) return false;
  for (int i = 0; i < a->Count(); ++i)
    if (a->GetItem(i)->Name != b->GetItem(i)->Name || a->GetItem(i)->Value != b->GetItem(i)->Value) return false;
  return true;
}

}  // namespace

// Archive files: any bytes are either refused (a damaged file: control
// bytes, no header column, nothing at all) or give an archive, and whatever
// an archive holds after loading comes back unchanged through a save and a
// load.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  TDeviceArchive archive;
  if (!archive.LoadFromBytes(bytes)) return 0;
  const QByteArray saved = archive.SaveToBytes();

  TDeviceArchive reloaded;
  if (!reloaded.LoadFromBytes(saved)) std::abort();
  if (!SameList(archive.Columns(), reloaded.Columns())) std::abort();
  if (archive.RecordCount() != reloaded.RecordCount()) std::abort();
  for (int i = 0; i < archive.RecordCount(); ++i)
    if (!SameList(archive.Record(i).get(), reloaded.Record(i).get())) std::abort();
  // Captions are written only when there is one per column.
  const bool captionsSaved = archive.Captions()->Count() == archive.Columns()->Count();
  if (captionsSaved && !SameList(archive.Captions(), reloaded.Captions())) std::abort();
  if (reloaded.SaveToBytes() != saved) std::abort();
  return 0;
}
