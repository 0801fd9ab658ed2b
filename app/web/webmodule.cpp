// The entry of the web module: the application loads it on first need, asks which version it was
// built for, and only when that is its own version asks it for the engine.

#include "app/web/enginewebview.h"
#include "platform/updates/buildstamp.h"

namespace {

const char buildStamp[] = QUORVALE_BUILD_STAMP_PREFIX QUORVALE_VERSION;

} // namespace

extern "C" Q_DECL_EXPORT const char *quorvaleWebModuleVersion()
{
    return quorvale::updates::versionOfStamp(buildStamp);
}

extern "C" Q_DECL_EXPORT quorvale::PlatformWebView *quorvaleCreateWebView(QObject *parent)
{
    return new quorvale::EngineWebView(parent);
}
