// Not a test by itself: a program that opens the web sign-in's engine from the web module's usual
// places and prints why it could not, or "loaded". Copied into an installation's layout, it shows
// which module an installed program would load.

#include "app/web/deferredwebview.h"

#include <QApplication>
#include <QTextStream>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    quorvale::DeferredWebView web(quorvale::DeferredWebView::defaultModulePaths());
    web.load(QUrl(QStringLiteral("about:blank")), std::chrono::seconds(1));
    QTextStream(stdout) << (web.isLoaded() ? QStringLiteral("loaded") : web.unavailableReason());
    return 0;
}
