#include "localservice/server/TlsFiles.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <openssl/bn.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <ctime>
#include <memory>

namespace {

using KeyPtr = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;
using CertPtr = std::unique_ptr<X509, decltype(&X509_free)>;
using BioPtr = std::unique_ptr<BIO, decltype(&BIO_free)>;

constexpr long kDay = 24 * 60 * 60;
constexpr int kCaDays = 3650;
constexpr int kServerDays = 397;
constexpr int kRenewDays = 30;

KeyPtr newKey()
{
    return KeyPtr(EVP_EC_gen("P-256"), EVP_PKEY_free);
}

bool addExtension(X509 *cert, X509 *issuer, int nid, const char *value)
{
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION *ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
    if (!ext)
        return false;
    const bool ok = X509_add_ext(cert, ext, -1) == 1;
    X509_EXTENSION_free(ext);
    return ok;
}

bool setSerialAndValidity(X509 *cert, int days)
{
    unsigned char serial[16];
    if (RAND_bytes(serial, sizeof serial) != 1)
        return false;
    serial[0] &= 0x7f; // a positive number
    BIGNUM *bn = BN_bin2bn(serial, sizeof serial, nullptr);
    const bool ok = bn && BN_to_ASN1_INTEGER(bn, X509_get_serialNumber(cert)) != nullptr;
    BN_free(bn);
    return ok && X509_set_version(cert, 2) == 1 &&
           X509_gmtime_adj(X509_getm_notBefore(cert), -kDay) != nullptr &&
           X509_gmtime_adj(X509_getm_notAfter(cert), long(days) * kDay) != nullptr;
}

bool setSubject(X509 *cert, const char *commonName)
{
    X509_NAME *name = X509_get_subject_name(cert);
    return X509_NAME_add_entry_by_txt(name, "O", MBSTRING_UTF8,
                                      reinterpret_cast<const unsigned char *>("halvik"), -1, -1,
                                      0) == 1 &&
           X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8,
                                      reinterpret_cast<const unsigned char *>(commonName), -1, -1,
                                      0) == 1;
}

CertPtr makeCaCert(EVP_PKEY *key)
{
    CertPtr cert(X509_new(), X509_free);
    if (!cert || !setSerialAndValidity(cert.get(), kCaDays) ||
        !setSubject(cert.get(), "halvik local service CA") ||
        X509_set_issuer_name(cert.get(), X509_get_subject_name(cert.get())) != 1 ||
        X509_set_pubkey(cert.get(), key) != 1 ||
        !addExtension(cert.get(), cert.get(), NID_basic_constraints, "critical,CA:TRUE") ||
        !addExtension(cert.get(), cert.get(), NID_key_usage, "critical,keyCertSign,cRLSign") ||
        !addExtension(cert.get(), cert.get(), NID_subject_key_identifier, "hash") ||
        X509_sign(cert.get(), key, EVP_sha256()) == 0)
        return CertPtr(nullptr, X509_free);
    return cert;
}

CertPtr makeServerCert(EVP_PKEY *key, X509 *ca, EVP_PKEY *caKey)
{
    CertPtr cert(X509_new(), X509_free);
    if (!cert || !setSerialAndValidity(cert.get(), kServerDays) ||
        !setSubject(cert.get(), "localhost") ||
        X509_set_issuer_name(cert.get(), X509_get_subject_name(ca)) != 1 ||
        X509_set_pubkey(cert.get(), key) != 1 ||
        !addExtension(cert.get(), ca, NID_basic_constraints, "critical,CA:FALSE") ||
        !addExtension(cert.get(), ca, NID_key_usage, "critical,digitalSignature") ||
        !addExtension(cert.get(), ca, NID_ext_key_usage, "serverAuth") ||
        !addExtension(cert.get(), ca, NID_subject_alt_name, "DNS:localhost,IP:127.0.0.1") ||
        !addExtension(cert.get(), ca, NID_subject_key_identifier, "hash") ||
        !addExtension(cert.get(), ca, NID_authority_key_identifier, "keyid") ||
        X509_sign(cert.get(), caKey, EVP_sha256()) == 0)
        return CertPtr(nullptr, X509_free);
    return cert;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

BioPtr memoryBio(const QByteArray &data)
{
    return BioPtr(BIO_new_mem_buf(data.constData(), data.size()), BIO_free);
}

CertPtr loadCert(const QString &path)
{
    const QByteArray pem = readFile(path);
    const BioPtr bio = memoryBio(pem);
    return CertPtr(pem.isEmpty() ? nullptr
                                 : PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr),
                   X509_free);
}

KeyPtr loadKey(const QString &path)
{
    const QByteArray pem = readFile(path);
    const BioPtr bio = memoryBio(pem);
    return KeyPtr(pem.isEmpty() ? nullptr
                                : PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr),
                  EVP_PKEY_free);
}

QByteArray bioBytes(BIO *bio)
{
    char *data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    return QByteArray(data, int(size));
}

// Written whole or not at all, so that a crash never leaves half a key behind.
bool writeFile(const QString &path, const QByteArray &data, bool secret)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (secret)
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return file.write(data) == data.size() && file.commit();
}

bool saveCert(const QString &path, X509 *cert)
{
    const BioPtr bio(BIO_new(BIO_s_mem()), BIO_free);
    return bio && PEM_write_bio_X509(bio.get(), cert) == 1 &&
           writeFile(path, bioBytes(bio.get()), false);
}

bool saveKey(const QString &path, EVP_PKEY *key)
{
    const BioPtr bio(BIO_new(BIO_s_mem()), BIO_free);
    return bio &&
           PEM_write_bio_PrivateKey(bio.get(), key, nullptr, nullptr, 0, nullptr, nullptr) == 1 &&
           writeFile(path, bioBytes(bio.get()), true);
}

bool serverCertUsable(X509 *cert, EVP_PKEY *key, EVP_PKEY *caKey)
{
    if (!cert || !key || X509_verify(cert, caKey) != 1 || X509_check_private_key(cert, key) != 1)
        return false;
    time_t renewAt = time(nullptr) + time_t(kRenewDays) * kDay;
    return X509_cmp_time(X509_get0_notAfter(cert), &renewAt) > 0;
}

} // namespace

TlsPaths tlsPaths(const QString &dataDir)
{
    const QDir dir(dataDir);
    return TlsPaths{
        dir.filePath(QStringLiteral("ca.pem")), dir.filePath(QStringLiteral("ca-key.pem")),
        dir.filePath(QStringLiteral("server.pem")), dir.filePath(QStringLiteral("server-key.pem"))};
}

bool ensureTlsFiles(const QString &dataDir, TlsPaths *paths, QString *errorText)
{
    *paths = tlsPaths(dataDir);
    CertPtr ca = loadCert(paths->caCert);
    KeyPtr caKey = loadKey(paths->caKey);
    if (!ca || !caKey || X509_check_private_key(ca.get(), caKey.get()) != 1) {
        caKey = newKey();
        ca = caKey ? makeCaCert(caKey.get()) : CertPtr(nullptr, X509_free);
        if (!ca || !saveKey(paths->caKey, caKey.get()) || !saveCert(paths->caCert, ca.get())) {
            *errorText = QStringLiteral("Cannot create the local CA in %1").arg(dataDir);
            return false;
        }
    }
    const CertPtr server = loadCert(paths->serverCert);
    const KeyPtr serverKey = loadKey(paths->serverKey);
    if (serverCertUsable(server.get(), serverKey.get(), caKey.get()))
        return true;
    const KeyPtr key = newKey();
    const CertPtr cert =
        key ? makeServerCert(key.get(), ca.get(), caKey.get()) : CertPtr(nullptr, X509_free);
    if (!cert || !saveKey(paths->serverKey, key.get()) ||
        !saveCert(paths->serverCert, cert.get())) {
        *errorText = QStringLiteral("Cannot create the server certificate in %1").arg(dataDir);
        return false;
    }
    return true;
}
