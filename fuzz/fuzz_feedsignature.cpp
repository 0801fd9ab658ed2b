// The signature check of a feed as it arrives: a feed accepted under a key is the bytes in front of
// its signature comment, and every feed signed with the key's secret half is accepted unchanged.
#include "fuzz/fuzzinput.h"
#include "platform/updates/feedsignature.h"

namespace {

// A fixed key pair, so that the seed corpus holds feeds signed with it.
const QByteArray publicKey = QByteArray::fromBase64("dVxMuSVsp83ErP3Gz+7ahJAX5bn5UU6ZGRvWfgsNQnY=");
const QByteArray secretKey = QByteArray::fromBase64(
    "AwoRGB8mLTQ7QklQV15lbHN6gYiPlp2kq7K5wMfO1dx1XEy5JWynzcSs/cbP7tqEkBfluflRTpkZG9Z+Cw1Cdg==");

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace quorvale;
    using namespace quorvale::updates;
    const QByteArray input = fuzz::bytesOf(data, size);
    if (const std::optional<QByteArray> feed = verifiedFeed(input, publicKey))
        fuzz::require(input.startsWith(*feed) && feed->size() < input.size());
    fuzz::require(verifiedFeed(signedFeed(input, secretKey), publicKey) == input);
    return 0;
}
