// The entry of the web module: the application reads the version stamped in this file, and only when
// that is its own version loads it and asks it for the engine.

#include "app/web/enginewebview.h"
#include "platform/updates/buildstamp.h"

namespace {

// Nothing in the code refers to the stamp: it is there to be found in the file's bytes.
[[gnu::used]] const char buildStamp[] = QUORVALE_BUILD_STAMP_PREFIX QUORVALE_VERSION;

} // namespace

extern "C" Q_DECL_EXPORT quorvale::PlatformWebView *quorvaleCreateWebView(QObject *parent)
{
    return new quorvale::EngineWebView(parent);
}
