#pragma once
// The parameter image: the module's whole configuration as one self-describing
// byte image (64-byte header with the identification string, a chain of named
// field records, zero padding to 2688 bytes).

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace ParamImage {
inline constexpr char IdentificationString[] = "ZEHL,64,31,Morvo3 GPRS,DataStruct PGMv1.10";
inline constexpr int IdentificationLength = 42;
inline constexpr int ImageLength = 2688;   // 42 blocks of 64 bytes
inline constexpr int BufferCapacity = 4096;
inline constexpr int HeaderLength = 64;
inline constexpr int RecordHeaderLength = 19;
inline constexpr int NameLength = 15;
inline constexpr int BlockLength = 64;
inline constexpr int BlockCount = 42;

enum FieldType : std::uint8_t { FLD_FLAG = 1, FLD_BYTES = 2, FLD_DIAL = 5 };
}

class TParamImage
{
public:
    TParamImage();

    std::uint8_t bytes[ParamImage::BufferCapacity];
    std::int32_t fill = 0;

    void InitImageHeader();
    void ClearImage();
    void AppendImageByte(std::uint8_t b);
    void AppendImageWord(std::uint16_t w);
    void AppendFieldHeader(const QByteArray &name, std::uint8_t type, std::uint8_t dimension, std::uint16_t elementSize);
    std::int32_t ReserveField(const QByteArray &name, std::uint8_t type, std::uint8_t dimension, std::uint16_t elementSize);
    void AppendByteField(const QByteArray &name, std::uint8_t value);
    void AppendFlagField(const QByteArray &name, bool flag);
    void AppendWordField(const QByteArray &name, std::uint16_t value);
    // text is in the module's single-byte code page (Windows-1250).
    void AppendTextElement(const QByteArray &text, int n);
    void PadImage();

    std::int32_t FindField(const QByteArray &name) const;
    std::uint8_t ReadFieldByte(const QByteArray &name) const;
    std::uint8_t ReadFieldElement(const QByteArray &name, int i) const;
    bool ReadFieldFlag(const QByteArray &name) const;
    bool IsImageValid() const;

    static std::uint8_t FoldCharacter(std::uint8_t ch);

    // .KVD parameter files
    // Concatenation of the non-zero bytes among the first 64 bytes of data.
    static QByteArray KvdHeaderText(const QByteArray &fileStart);
    static bool IsKvdHeader(const QByteArray &fileStart);
    // Copies min(size, 4096) bytes into the image from offset 0; the rest of the
    // image and the fill counter stay as they are.
    void LoadFileBytes(const QByteArray &data);
};
