#include "core/client/systemtrust.h"

#include <QPromise>
#include <memory>
#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>
#include <string>
#include <thread>

namespace quorvale::systemtrust {

namespace {

// The bundle libcurl was built to read.
std::string bundlePath()
{
    CURL *easy = curl_easy_init();
    char *path = nullptr;
    curl_easy_getinfo(easy, CURLINFO_CAINFO, &path);
    std::string bundle = path ? path : "";
    curl_easy_cleanup(easy);
    return bundle;
}

X509_STORE *load(const std::string &bundle)
{
    std::unique_ptr<X509_STORE, decltype(&X509_STORE_free)> store(X509_STORE_new(), &X509_STORE_free);
    if (!store || bundle.empty() || X509_STORE_load_file(store.get(), bundle.c_str()) != 1)
        return nullptr;
    // What libcurl sets on a store it reads itself: a chain ends at the first authority of the store
    // it reaches, an intermediate one included.
    X509_STORE_set_flags(store.get(), X509_V_FLAG_TRUSTED_FIRST | X509_V_FLAG_PARTIAL_CHAIN);
    return store.release();
}

// Kept for the whole process once read, which may end while it is being read; set before the
// reading's future finishes.
X509_STORE *trusted = nullptr;

} // namespace

QFuture<void> prepare()
{
    static const QFuture<void> reading = [] {
        auto promise = std::make_shared<QPromise<void>>();
        promise->start();
        std::thread([promise, bundle = bundlePath()] {
            trusted = load(bundle);
            promise->finish();
        }).detach();
        return promise->future();
    }();
    return reading;
}

CURLcode install(CURL *, void *sslContext, void *)
{
    prepare().waitForFinished();
    if (!trusted)
        return CURLE_SSL_CACERT_BADFILE;
    SSL_CTX_set1_cert_store(static_cast<SSL_CTX *>(sslContext), trusted);
    return CURLE_OK;
}

} // namespace quorvale::systemtrust
