"""The registration packet the program puts in the ranking address, and the game ids it carries.

The program opens REGIST_PATH?user=<84 upper-case hexadecimal digits>. The digits carry a 42-byte
packet scrambled under a key R (digits 56-57 hold R itself); decode() undoes the scrambling, checks
the packet's checksum and shell version, and returns its fields, or raises Refused with the reason.
"""
import re

QUERY = re.compile(r"user=([0-9A-F]{84})")
PACKET_BYTES = 42
KEY_AT = 28                 # the zero byte whose digits carry R
KEY_LOW, KEY_HIGH = 41, 184
SHELL_VERSIONS = {104}      # shells whose packets this page reads
DEFAULT_CEILING = 99_999_999

# Packet layout: (name, offset, size, signed); integers little-endian, the game id raw.
FIELDS = (
    ("shell_version", 7, 1, False),
    ("user_id", 8, 4, False),
    ("game_id", 12, 4, None),
    ("version", 16, 1, False),
    ("score", 17, 4, False),
    ("zumi", 21, 4, True),
    ("checksum", 29, 4, False),
)

# Single bytes that Windows' code page decodes although no Shift-JIS text holds them.
NOT_TEXT = {"\x80", "\uf8f0", "\uf8f1", "\uf8f2", "\uf8f3"}


class Refused(Exception):
    """A registration that is not taken; its text is the answer's reason."""


def is_lead(byte):
    return 0x81 <= byte <= 0x9F or 0xE0 <= byte <= 0xFC


def game_text(field):
    """The game id as the pages show it, from the packet's 4 id bytes (the id's first 4 bytes, zero
    padded). A double-byte character cut by the fourth byte keeps its lead byte, shown as \\xHH: the
    shown text then stands for exactly those four bytes, and no whole id of 4 bytes reads the same."""
    prefix = field.rstrip(b"\0")
    if not prefix:
        raise Refused("no game id")
    if b"\0" in prefix:
        raise Refused("game id has a zero byte before its end")
    cut = ""
    if len(prefix) == len(field) and is_lead(prefix[-1]):
        head = prefix[:-1]
        if ends_whole(head):
            prefix, cut = head, f"\\x{prefix[-1]:02X}"
    try:
        text = prefix.decode("cp932")
    except UnicodeDecodeError:
        raise Refused("game id is not Shift-JIS text") from None
    if NOT_TEXT & set(text):
        raise Refused("game id is not Shift-JIS text")
    return text + cut


def carried(game):
    """Whether some packet gives this shown game id: a settings line for any other id would never
    apply. An id is at most 4 bytes, or 3 bytes and a cut lead byte written \\xHH."""
    cut = re.fullmatch(r"(.{1,3})\\x([0-9A-F]{2})", game, re.S)
    try:
        raw = cut[1].encode("cp932") + bytes.fromhex(cut[2]) if cut else game.encode("cp932")
        return len(raw) <= 4 and game_text(raw.ljust(4, b"\0")) == game
    except (UnicodeEncodeError, Refused):
        return False


def ends_whole(data):
    """Whether data ends on a character boundary (its last byte is no lead byte waiting for a trail)."""
    at = 0
    while at < len(data):
        at += 2 if is_lead(data[at]) else 1
    return at == len(data)


def decode(query, ceilings=None):
    """The packet's fields from a query string, or Refused with the reason. ceilings: the highest
    score taken per shown game id, with "" for every other game."""
    match = QUERY.fullmatch(query)
    if not match:
        raise Refused(f"the query must be user= and 84 upper-case hexadecimal digits; got {len(query)} characters")
    digits = match.group(1)
    key = int(digits[2 * KEY_AT:2 * KEY_AT + 2], 16)
    if not KEY_LOW <= key <= KEY_HIGH:
        raise Refused(f"packet key {key} outside {KEY_LOW}..{KEY_HIGH}")
    packet = bytearray()
    for j in range(PACKET_BYTES):
        y = int(digits[2 * j:2 * j + 2], 16)
        if j != KEY_AT:
            y = (y - (j + 1) * key) % 256
        packet.append(y ^ key)
    fields = {}
    for name, at, size, signed in FIELDS:
        raw = bytes(packet[at:at + size])
        fields[name] = raw if signed is None else int.from_bytes(raw, "little", signed=signed)
    if fields["checksum"] != sum(packet[:KEY_AT]):
        raise Refused("checksum does not match")
    if fields["shell_version"] not in SHELL_VERSIONS:
        raise Refused(f"shell version {fields['shell_version']} unknown")
    fields["game_id"] = game_text(fields["game_id"])
    if fields["score"] == 0:
        raise Refused("no score")
    ceilings = ceilings or {}
    ceiling = ceilings.get(fields["game_id"], ceilings.get("", DEFAULT_CEILING))
    if fields["score"] > ceiling:
        raise Refused(f"score {fields['score']:,} above this game's ceiling {ceiling:,}")
    return fields

