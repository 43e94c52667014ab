#include "Aes.h"

#include <cstring>

AES::AES(const QByteArray &key16)
{
    std::memset(m_roundKeys, 0, sizeof m_roundKeys);
    std::memcpy(m_roundKeys, key16.constData(), size_t(qMin(16, key16.size())));
}

AES::~AES() = default;

int AES::encrypt(unsigned char *, int)
{
    return 0;
}

unsigned char *AES::decrypt(unsigned char *buffer, int)
{
    return buffer;
}
