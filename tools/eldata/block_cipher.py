"""The library's block cipher, for the password check of the module data block.

A TEA-like 64-bit block cipher (32 cycles, schedule constant 0x9E3779B9) whose cycles mix
the terms with additions where TEA combines them with exclusive-or. The key is the MD5 digest of
the password, read as four big-endian words; blocks are big-endian word pairs. Full blocks
are chained (CBC from eight 0xFF bytes); a tail of 1 to 7 bytes is XORed with the
enciphered last chaining block, so the output has the input's length.
"""
import hashlib
import struct

MASK = 0xFFFFFFFF
DELTA = 0x9E3779B9


def key_of(password):
    data = password.encode("cp1252") if isinstance(password, str) else bytes(password)
    return struct.unpack(">4I", hashlib.md5(data).digest())


def _encipher_block(key, block):
    left, right = struct.unpack(">2I", block)
    total = 0
    for _ in range(32):
        total = (total + DELTA) & MASK
        left = (left + (((right << 4) & MASK) + (right ^ key[0]) + ((right >> 5) ^ total)
                        + key[1])) & MASK
        right = (right + (((left << 4) & MASK) + (left ^ key[2]) + ((left >> 5) ^ total)
                          + key[3])) & MASK
    return struct.pack(">2I", left, right)


def encrypt(password, data):
    key = key_of(password)
    chain, out = b"\xff" * 8, bytearray()
    full = len(data) - len(data) % 8
    for offset in range(0, full, 8):
        chain = _encipher_block(key, bytes(a ^ b for a, b in zip(data[offset:offset + 8], chain)))
        out += chain
    if full < len(data):
        pad = _encipher_block(key, chain)
        out += bytes(a ^ b for a, b in zip(data[full:], pad))
    return bytes(out)
