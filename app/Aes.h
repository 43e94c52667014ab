#pragma once

#include <QByteArray>

// AES-128 in ECB mode, in place.
class AES
{
public:
    explicit AES(const QByteArray &key16);
    virtual ~AES();

    int encrypt(unsigned char *buffer, int length);
    unsigned char *decrypt(unsigned char *buffer, int length);

private:
    unsigned char m_roundKeys[176];
};
