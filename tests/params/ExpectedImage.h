#pragma once
// The image a fresh editor must produce, written out from the directory table
// by hand (independent of the builders under test): header, 29 records with
// their fixed offsets, zero payload except the default Contact ID codes and
// ALARMTIME 5, zero padding up to 2688.

#include <QByteArray>
#include <vector>

namespace ExpectedImage {

struct Record
{
    const char *name;
    int type;
    int dimension;
    int elementSize;
    int recordAt;
    int payloadAt;
};

inline const std::vector<Record> &Directory()
{
    static const std::vector<Record> records = {
        {"ZONE_CIRCUIT", 2, 4, 1, 64, 83},       {"ZONE_SENSE_TIME", 2, 4, 1, 87, 106},
        {"ZONE_DELAY_IN", 2, 4, 1, 110, 129},    {"ZONE_DELAY_OUT", 2, 4, 1, 133, 152},
        {"ZONE_24H", 2, 4, 1, 156, 175},         {"EVENT_CTID", 2, 11, 3, 179, 198},
        {"EVENT_MATRIX", 2, 11, 2, 231, 250},    {"EVENT_SMS", 2, 11, 161, 272, 291},
        {"PHONE_NUMBERS", 5, 6, 17, 2062, 2081}, {"SMSFW_NUMBER1", 5, 1, 17, 2183, 2202},
        {"SMSFW_NUMBER2", 5, 1, 17, 2219, 2238}, {"CTID_ACCOUNT", 2, 1, 4, 2255, 2274},
        {"INCALL_CLIP", 2, 4, 1, 2278, 2297},    {"CENTRAL_MODE", 2, 1, 1, 2301, 2320},
        {"REL1_ACT", 2, 1, 2, 2321, 2340},       {"REL1_TIME", 2, 1, 1, 2342, 2361},
        {"REL2_ACT", 2, 1, 2, 2362, 2381},       {"REL2_TIME", 2, 1, 1, 2383, 2402},
        {"REL1_DEACTOFF", 1, 1, 1, 2403, 2422},  {"REL2_DEACTOFF", 1, 1, 1, 2423, 2442},
        {"REL1_BEEP", 1, 1, 1, 2443, 2462},      {"ALARMTIME", 2, 1, 1, 2463, 2482},
        {"TESTHOURS", 2, 1, 1, 2483, 2502},      {"TEST_TIME_H", 2, 1, 1, 2503, 2522},
        {"TEST_TIME_M", 2, 1, 1, 2523, 2542},    {"ONOFF_MODE", 2, 1, 1, 2543, 2562},
        {"NOARM_IF_ACTIVE", 1, 1, 1, 2563, 2582}, {"ALARM_MAX", 2, 1, 1, 2583, 2602},
        {"REL2_GSMERR", 1, 1, 1, 2603, 2622},
    };
    return records;
}

inline constexpr int Terminator = 2623;
inline constexpr int Length = 2688;

inline QByteArray FreshImage()
{
    QByteArray image(Length, '\0');
    const QByteArray id("ZEHL,64,31,Morvo3 GPRS,DataStruct PGMv1.10");
    image.replace(0, id.size(), id);
    for (const Record &r : Directory()) {
        QByteArray name = QByteArray(r.name).leftJustified(15, ' ', true);
        image.replace(r.recordAt, 15, name);
        image[r.recordAt + 15] = char(r.type);
        image[r.recordAt + 16] = char(r.dimension);
        image[r.recordAt + 17] = char(r.elementSize >> 8);
        image[r.recordAt + 18] = char(r.elementSize & 0xFF);
    }
    const int ctid = 198;
    const char codes[11][3] = {{1, 3, 0}, {1, 3, 0}, {1, 3, 0}, {1, 3, 0}, {1, 3, 0}, {1, 3, 0},
                               {1, 3, 0}, {1, 3, 0}, {4, 0, 1}, {4, 0, 1}, {6, 0, 2}};
    for (int e = 0; e < 11; ++e)
        for (int d = 0; d < 3; ++d)
            image[ctid + 3 * e + d] = codes[e][d];
    image[2482] = 5; // ALARMTIME
    return image;
}

} // namespace ExpectedImage
