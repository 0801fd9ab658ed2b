// A web module as another build makes it: stamped with another version, or with none as a module from
// before modules were stamped. The application must never load it: loading alone would run the
// constructor below, which leaves a mark in the environment.

#include "platform/updates/buildstamp.h"

#include <QObject>
#include <cstdlib>

namespace {

#ifdef FOREIGN_MODULE_VERSION
[[gnu::used]] const char buildStamp[] = QUORVALE_BUILD_STAMP_PREFIX FOREIGN_MODULE_VERSION;
#endif

[[gnu::constructor]] void leaveMark()
{
    setenv("QUORVALE_FOREIGN_MODULE_RAN", "1", 1);
}

} // namespace

extern "C" Q_DECL_EXPORT QObject *quorvaleCreateWebView(QObject *)
{
    std::abort();
}
