// A web module as another build makes it: it tells another version, or none as a module from before
// modules told their version. The application must never ask it for the engine.

#include <QObject>
#include <cstdlib>

#ifdef FOREIGN_MODULE_VERSION
extern "C" Q_DECL_EXPORT const char *quorvaleWebModuleVersion()
{
    return FOREIGN_MODULE_VERSION;
}
#endif

extern "C" Q_DECL_EXPORT QObject *quorvaleCreateWebView(QObject *)
{
    std::abort();
}
