#include "localservice/storage/PasswordHash.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

namespace {
constexpr int kIterations = 20000;
constexpr int kHashBytes = 32;
} // namespace

QByteArray randomBytes(int bytes)
{
    QByteArray out(bytes, '\0');
    if (RAND_bytes(reinterpret_cast<unsigned char *>(out.data()), bytes) != 1)
        return QByteArray();
    return out;
}

QString randomHex(int bytes)
{
    return QString::fromLatin1(randomBytes(bytes).toHex());
}

QByteArray hashPassword(const QString &password, const QByteArray &salt)
{
    const QByteArray utf8 = password.toUtf8();
    QByteArray out(kHashBytes, '\0');
    const int ok = PKCS5_PBKDF2_HMAC(utf8.constData(), utf8.size(),
                                     reinterpret_cast<const unsigned char *>(salt.constData()),
                                     salt.size(), kIterations, EVP_sha256(), kHashBytes,
                                     reinterpret_cast<unsigned char *>(out.data()));
    return ok == 1 ? out : QByteArray();
}

bool sameBytes(const QByteArray &a, const QByteArray &b)
{
    return a.size() == b.size() &&
           CRYPTO_memcmp(a.constData(), b.constData(), size_t(a.size())) == 0;
}
