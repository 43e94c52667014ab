#pragma once

#include <QByteArray>

// AES-128 in ECB mode, in place. The key schedule is expanded once; one object can then
// encrypt or decrypt any number of buffers.
class AES
{
public:
    // Uses the first 16 bytes of key16; a shorter key is padded with zero bytes.
    explicit AES(const QByteArray &key16);
    virtual ~AES();

    // Encrypts ceil(length / 16) blocks in place and returns the number of bytes processed.
    // A length of 0 means up to the first zero byte. The buffer must hold the whole last block.
    int encrypt(unsigned char *buffer, int length);
    // Decrypts ceil(length / 16) blocks in place; a length below 1 does nothing.
    unsigned char *decrypt(unsigned char *buffer, int length);

private:
    void encryptBlock(unsigned char *block) const;
    void decryptBlock(unsigned char *block) const;

    unsigned char m_roundKeys[176];
};
