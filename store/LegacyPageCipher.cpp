#include "store/LegacyPageCipher.h"

#include <nettle/arcfour.h>
#include <nettle/sha1.h>

namespace pagecodec::detail {

Key deriveKey(const void *phrase, int length)
{
    if (!phrase || length <= 0)
        return nullptr;
    sha1_ctx sha;
    sha1_init(&sha);
    sha1_update(&sha, static_cast<size_t>(length), static_cast<const uint8_t *>(phrase));
    uint8_t digest[SHA1_DIGEST_SIZE];
    sha1_digest(&sha, sizeof digest, digest);

    arcfour_ctx rc4;
    arcfour_set_key(&rc4, 16, digest); // 128-bit RC4 key, no salt
    auto key = std::make_shared<KeyStream>();
    static const uint8_t zeros[kStreamPeriod] = {};
    arcfour_crypt(&rc4, kStreamPeriod, key->bytes, zeros);
    return key;
}

} // namespace pagecodec::detail
