#include "SimCodec.h"

#include <QLoggingCategory>
#include <openssl/evp.h>
#include <cstring>

Q_DECLARE_LOGGING_CATEGORY(lcSim)

SimCodec::SimCodec(const std::uint8_t key[16])
    : m_ctx(EVP_CIPHER_CTX_new())
{
    std::memcpy(m_key, key, sizeof m_key);
}

SimCodec::~SimCodec()
{
    EVP_CIPHER_CTX_free(m_ctx);
}

static QByteArray runCipher(evp_cipher_ctx_st *ctx, const std::uint8_t *key, const QByteArray &in, bool encrypt)
{
    if (!ctx || in.size() != 16)
        return {};
    unsigned char out[32];
    int n = 0;
    int tail = 0;
    const auto *src = reinterpret_cast<const unsigned char *>(in.constData());
    if (EVP_CipherInit_ex(ctx, EVP_aes_128_ecb(), nullptr, key, nullptr, encrypt ? 1 : 0) != 1
        || EVP_CIPHER_CTX_set_padding(ctx, 0) != 1
        || EVP_CipherUpdate(ctx, out, &n, src, 16) != 1
        || EVP_CipherFinal_ex(ctx, out + n, &tail) != 1
        || n + tail != 16) {
        qCWarning(lcSim) << "cipher operation failed";
        return {};
    }
    return QByteArray(reinterpret_cast<const char *>(out), 16);
}

QByteArray SimCodec::encryptBlock(const QByteArray &in16)
{
    return runCipher(m_ctx, m_key, in16, true);
}

QByteArray SimCodec::decryptBlock(const QByteArray &in16)
{
    return runCipher(m_ctx, m_key, in16, false);
}

QByteArray SimCodec::wrap(const QByteArray &plain)
{
    const QByteArray cipher = encryptBlock(plain);
    if (cipher.size() != 16)
        return {};
    QByteArray frame;
    frame.reserve(18);
    frame.append('{');
    frame.append(cipher);
    frame.append('}');
    return frame;
}

void SimCodec::resetWindow()
{
    std::memset(m_window, 0, sizeof m_window);
}

void SimCodec::receive(const QByteArray &bytes, const std::function<void(const QByteArray &)> &onPlainBlock)
{
    for (const char c : bytes) {
        const std::uint8_t b = static_cast<std::uint8_t>(c);
        const std::uint8_t out = m_window[0];
        std::memmove(m_window, m_window + 1, 16);
        m_window[16] = b;
        if (out != '{' || b != '}')
            continue;
        const QByteArray plain = decryptBlock(QByteArray(reinterpret_cast<const char *>(m_window), 16));
        if (plain.size() == 16 && plain.at(0) == '[' && plain.at(15) == ']')
            onPlainBlock(plain);
    }
}

std::uint32_t SimBlock::checksum(const std::uint8_t *block64)
{
    std::uint32_t sum = 0;
    for (int i = 0; i < 64; ++i) {
        const int chunk = i / 12;           // 0..5
        const int index = i % 12;           // position inside the chunk
        sum += static_cast<std::uint8_t>(block64[i] ^ static_cast<std::uint8_t>(chunk + 1 + index));
    }
    return sum;
}
