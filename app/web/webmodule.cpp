// The entry of the web module: the application loads it on first need and asks it for the engine.

#include "app/web/enginewebview.h"

extern "C" Q_DECL_EXPORT quorvale::PlatformWebView *quorvaleCreateWebView(QObject *parent)
{
    return new quorvale::EngineWebView(parent);
}
