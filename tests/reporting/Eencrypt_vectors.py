#!/usr/bin/env python3
"""Known answers for Eencrypt_test.cpp, worked out apart from the C++ code.

The key is hashlib's MD5 of the password, read as four big-endian words; the block
function, the chaining from eight 0xFF bytes and the feedback tail are written out here
from the cipher's description. Run it and paste the printed arrays into the test:

    python3 tests/reporting/Eencrypt_vectors.py
"""
import hashlib
import struct

MASK = 0xFFFFFFFF
DELTA = 0x9E3779B9


def key_of(password: bytes):
    return struct.unpack(">4I", hashlib.md5(password).digest())


def encipher(key, block: bytes) -> bytes:
    k0, k1, k2, k3 = key
    left, right = struct.unpack(">2I", block)
    total = 0
    for _ in range(32):
        total = (total + DELTA) & MASK
        left = (left + (((right << 4) & MASK) + (right ^ k0) + ((right >> 5) ^ total) + k1)) & MASK
        right = (right + (((left << 4) & MASK) + (left ^ k2) + ((left >> 5) ^ total) + k3)) & MASK
    return struct.pack(">2I", left, right)


def encrypt(key, plain: bytes) -> bytes:
    chain = b"\xff" * 8
    out = bytearray()
    full = len(plain) - len(plain) % 8
    for i in range(0, full, 8):
        chain = encipher(key, bytes(a ^ b for a, b in zip(plain[i:i + 8], chain)))
        out += chain
    tail = plain[full:]
    if tail:
        out += bytes(a ^ b for a, b in zip(tail, encipher(key, chain)))
    return bytes(out)


def c_array(name: str, data: bytes) -> str:
    return "const std::uint8_t %s[] = {%s};" % (name, ", ".join("0x%02X" % b for b in data))


def main():
    password = b"Zorvan switch box"
    key = key_of(password)
    print("// password %r: key %s" % (password.decode(), " ".join("%08X" % k for k in key)))
    block = b"ABCDEFGH"
    print("// one block %r: E(block xor eight 0xFF bytes)" % block.decode())
    print(c_array("BlockCipher", encrypt(key, block)))
    text = b"Hello, world!"
    print("// %d bytes %r: one chained block and a 5-byte feedback tail" % (len(text), text.decode()))
    print(c_array("TextCipher", encrypt(key, text)))
    two = b"ABCDEFGHIJKLMNOP"
    print("// %d bytes %r: two chained blocks, no tail" % (len(two), two.decode()))
    print(c_array("TwoBlockCipher", encrypt(key, two)))
    chained = b"Three blocks chain, then a tail"
    print("// %d bytes %r: three chained blocks and a 7-byte feedback tail" % (len(chained), chained.decode()))
    print(c_array("ChainedCipher", encrypt(key, chained)))
    print("// the empty password's key (MD5 of no bytes), 3 bytes: a tail only")
    print(c_array("ShortCipher", encrypt(key_of(b""), b"abc")))


if __name__ == "__main__":
    main()
