#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <functional>
#include <optional>

namespace quorvale {

// Where each entry of a capture's "log"."entries" lies in the file's bytes, found without reading
// the entries themselves, so that a large capture can be read one entry at a time instead of as one
// document holding every response at once. Everything outside the entries has been read as JSON.
//
// Gives nothing when the file is laid out in any other way: not JSON, no such array, an entry that
// is not an object, a key written with escapes or given twice on the way there. The caller then
// reads the whole file as one document, which tells those cases apart. The entries' own bytes are
// not checked here; each must still be read as JSON.
std::optional<QList<QByteArrayView>> harEntrySpans(const QByteArray &capture);

// The same walk, handing each entry's bytes to `found` as soon as they are passed, while they are
// still in the processor's cache. False where harEntrySpans gives nothing; the entries handed on
// until then are not the capture's.
bool forEachHarEntry(const QByteArray &capture, const std::function<void(QByteArrayView)> &found);

} // namespace quorvale
