#pragma once
// The module's end of the wire format: 18-byte frames '{' + AES-128-ECB block + '}'.
// Written independently of the program's codec on purpose, so that a fault in one
// side shows up as a failed exchange instead of cancelling out.

#include <QByteArray>
#include <cstdint>
#include <functional>

struct evp_cipher_ctx_st;

class SimCodec
{
public:
    explicit SimCodec(const std::uint8_t key[16]);
    ~SimCodec();
    SimCodec(const SimCodec &) = delete;
    SimCodec &operator=(const SimCodec &) = delete;

    // plain: exactly 16 bytes; returns the 18-byte wire frame (empty on a cipher failure).
    QByteArray wrap(const QByteArray &plain);
    // Feeds received bytes through a sliding 17-byte window; every candidate that
    // decrypts to '[' ... ']' is handed to onPlainBlock.
    void receive(const QByteArray &bytes, const std::function<void(const QByteArray &)> &onPlainBlock);
    void resetWindow();

    QByteArray encryptBlock(const QByteArray &in16);
    QByteArray decryptBlock(const QByteArray &in16);

private:
    std::uint8_t m_key[16];
    std::uint8_t m_window[17] = {};
    evp_cipher_ctx_st *m_ctx = nullptr;
};

namespace SimBlock {
// Running checksum of a 64-byte block as sent in six chunks: sum of (byte XOR (chunk+1+i)).
std::uint32_t checksum(const std::uint8_t *block64);
}
