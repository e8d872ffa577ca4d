#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz harnesses into tests/fuzz/corpus/<name>/.

The seeds are the replies the simulated module sends (status reports, event
records, block reads, texts, acknowledgements), the relay server's packets
carrying them, and a settings file as the program writes it. Parameter files
come from the simulated module's image (pass --image FILE.KVD, written by
`morvo3-sim ... dump-image`). The harnesses' fixed test keys are used for the
link and relay ciphers; the settings key comes from a build's generated
configuration header.

Usage: make_seeds.py [--config build/generated/Morvo3Config.h] [--image FILE.KVD]
"""
import argparse
import os
import re
import struct

from cryptography.hazmat.primitives.ciphers import Cipher, algorithms, modes

HERE = os.path.dirname(os.path.abspath(__file__))
LINK_KEY = bytes(range(16))
RELAY_KEY = bytes([0x10, 0x21, 0x32, 0x43, 0x54, 0x65, 0x76, 0x87,
                   0x98, 0xA9, 0xBA, 0xCB, 0xDC, 0xED, 0xFE, 0x0F])
PC_ADDRESS = (0x123 << 12) | 0xFEE
MODULE_ADDRESS = (0x123 << 12) | 0xB2B
FUZZ_MAC = b"00:1A:2B:3C:4D:5E"


def aes(key, block):
    e = Cipher(algorithms.AES(key), modes.ECB()).encryptor()
    return e.update(block) + e.finalize()


def put(name, seed, data):
    folder = os.path.join(HERE, "corpus", name)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "seed-" + seed), "wb") as f:
        f.write(data)


# ---------------------------------------------------------------- link replies
def reply(rtype, from2=b""):
    body = (from2 + bytes(13))[:13]
    return b"[" + bytes([rtype]) + body + b"]"


def result(rtype, code, data=b""):
    return reply(rtype, bytes(8) + b"#" + bytes([code]) + data)


def block_read(number, data64):
    frames = [reply(0x2C, bytes(11) + bytes([number]))]
    checksum = 0
    for chunk in range(6):
        index = chunk + 1
        part = data64[chunk * 12:chunk * 12 + 12] if chunk < 5 else data64[60:64]
        for i, b in enumerate(part):
            checksum += b ^ ((index + i) & 0xFF)
        if chunk < 5:
            frames.append(reply(0x3C, bytes([chunk]) + part))
        else:
            frames.append(reply(0x3C, bytes([chunk]) + part + struct.pack(">I", checksum & 0xFFFFFFFF)))
    return frames


def event_record(number, record36):
    frames = [result(0x34, 2, struct.pack(">H", number))]
    frames.append(reply(0x24, record36[0:13]))
    frames.append(reply(0x24, record36[13:26]))
    frames.append(reply(0x24, record36[26:36]))
    return frames


def link_seeds():
    version = b"Morvo3;GPRS v2.04;x;HW3".ljust(64, b"\0")
    record = bytes([0xFB] * 12) + bytes(6) + b"\x12\x34\x18\x11\x30\x01\x00\x01" + bytes([24, 3, 5, 7, 8, 9]) + bytes(4)
    cases = {
        "status": [result(0x24, 1, b"\x05\x80\x17")],
        "status-ext": [result(0x34, 7, b"\x0F\x03\x17"), reply(0x24, b"\x02")],
        "pw": [result(0x24, 3), result(0x24, 4), result(0x24, 5), result(0x24, 6)],
        "texts": [reply(0x22, bytes(9) + b"Alrm"), reply(0x32, "Élesítés ok!".encode("cp1250")[:13]),
                  reply(0x21, bytes(9) + b"OK"), reply(0x33, b"AT+CSQ"), reply(0x25, bytes(9) + b"123#")],
        "block": block_read(254, version),
        "event": event_record(7, record),
        "write-ack": [reply(0x1D, bytes(12) + b"\x40"), reply(0x2F, bytes(9) + b"\x00")],
    }
    for name, frames in cases.items():
        # Block mode, brackets as sent, pieces of 3 bytes.
        put("link", name, b"\x00" + b"".join(frames))
        # The same frames encrypted as they come over the wire, with noise between.
        wire = b"".join(b"{" + aes(LINK_KEY, f) + b"}" + b"\x00}{" for f in frames)
        put("link", name + "-wire", b"\x0F" + wire)


# ---------------------------------------------------------------- relay packets
def packet(command, counter, source, dest, length, ptype, p0=0, p1=0, p2=0):
    return (b"[" + bytes([command, counter]) + source.to_bytes(3, "big") + dest.to_bytes(3, "big")
            + bytes([0x02, length, ptype, p0, p1, p2]) + b"]")


def payload_packets(payload, ptype=0x01):
    out = [packet(0x6E, 1, MODULE_ADDRESS, PC_ADDRESS, len(payload), ptype, *payload[:3].ljust(3, b"\0"))]
    rest = payload[3:]
    while rest:
        part, rest = rest[:13], rest[13:]
        out.append(b"[" + bytes([0x3E if not rest else 0x7E]) + part.ljust(13, b"\0") + b"]")
    return out


def relay_seeds():
    frame = b"{" + aes(LINK_KEY, result(0x24, 1, b"\x05\x80\x17")) + b"}"
    two = frame + b"{" + aes(LINK_KEY, reply(0x22, bytes(9) + b"Alrm")) + b"}"
    session_key = PC_ADDRESS.to_bytes(3, "big") + RELAY_KEY[3:13] + PC_ADDRESS.to_bytes(3, "big")
    cases = {
        "link-frame": payload_packets(frame),
        "link-two-frames": payload_packets(two),
        "ping": [packet(0x2E, 2, MODULE_ADDRESS, PC_ADDRESS, 0, 0xFF, 1, 0)],
        "echo": [b"[\x03" + bytes(7) + b"\x01\x02\x03\x04\x05\x06]"],
        "orphan-last": [payload_packets(frame)[-1]] + payload_packets(frame),
    }
    for name, packets in cases.items():
        put("relay", name, b"\x04" + b"".join(packets))
        wire = b"".join(b"{" + aes(session_key, p) + b"}" for p in packets)
        put("relay", name + "-wire", b"\x01" + wire)


# ---------------------------------------------------------------- settings
def settings_seeds(config):
    text = open(config).read()
    m = re.search(r"SettingsKey\[16\]\s*=\s*\{([^}]*)\}", text)
    key = bytes(int(x, 16) for x in m.group(1).split(","))
    key = bytes(k ^ FUZZ_MAC[i] for i, k in enumerate(key))
    plain = b"ZEHL" + b"3A" + b"0100000000000000ABCD" + b"7F" + b"SOFT"
    stored = (aes(key, plain[:16]) + aes(key, plain[16:])).hex().upper()
    put("settings", "full", ("[GPRS]\r\nIP=relay.example.net\r\nID=1A2B\r\nPWD=%s\r\nPWD_STORE=True\r\n\r\n"
                             "[LANGUAGE]\r\nLNG_CODE=ENG\r\n\r\n[VERSION_CHECK]\r\nALLOWED=False\r\n" % stored).encode())
    put("settings", "plain", b"[gprs]\nip = 10.0.0.1 \nid=0100000000000000abcd\nPWD=\n[Language]\nlng_code=SK\n")
    put("settings", "broken", b"[GPRS\nIP\n=x\n[]\n[VERSION_CHECK]\nALLOWED=True\nALLOWED=False\n\xff\xfe")


def kvd_seeds(image):
    data = open(image, "rb").read()
    put("kvd", "fresh", data)
    put("kvd", "header-only", data[:64])
    put("kvd", "cut", data[:300])
    put("kvd", "foreign", b"ZEHL,64,31,Other,DataStruct PGMv0.01".ljust(64, b"\0") + data[64:])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--config", default=os.path.join(HERE, "..", "..", "build", "generated", "Morvo3Config.h"))
    parser.add_argument("--image")
    args = parser.parse_args()
    link_seeds()
    relay_seeds()
    settings_seeds(args.config)
    if args.image:
        kvd_seeds(args.image)


if __name__ == "__main__":
    main()
