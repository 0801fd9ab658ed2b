#include "core/client/systemtrust.h"

#include <future>
#include <memory>
#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>
#include <string>

namespace quorvale::systemtrust {

namespace {

using Store = std::unique_ptr<X509_STORE, decltype(&X509_STORE_free)>;

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

Store load(const std::string &bundle)
{
    Store store(X509_STORE_new(), &X509_STORE_free);
    if (!store || bundle.empty() || X509_STORE_load_file(store.get(), bundle.c_str()) != 1)
        return Store(nullptr, &X509_STORE_free);
    // What libcurl sets on a store it reads itself: a chain ends at the first authority of the store
    // it reaches, an intermediate one included.
    X509_STORE_set_flags(store.get(), X509_V_FLAG_TRUSTED_FIRST | X509_V_FLAG_PARTIAL_CHAIN);
    return store;
}

const std::shared_future<Store> &loading()
{
    static const std::shared_future<Store> store =
        std::async(std::launch::async, &load, bundlePath()).share();
    return store;
}

} // namespace

void prepare()
{
    loading();
}

CURLcode install(CURL *, void *sslContext, void *)
{
    X509_STORE *store = loading().get().get();
    if (!store)
        return CURLE_SSL_CACERT_BADFILE;
    SSL_CTX_set1_cert_store(static_cast<SSL_CTX *>(sslContext), store);
    return CURLE_OK;
}

} // namespace quorvale::systemtrust
