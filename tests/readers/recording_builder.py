# SPDX-License-Identifier: BSD-3-Clause
"""Recording files made from NumPy arrays of seeded random codes, and what they must convert
to, worked out here from the words written and the cards' scaling rules, apart from the
converter: the codes (as codes-text writes them), the signed codes (as EDF and BDF hold
them) and the scaled doubles, each operation in the rule's own order."""

import dataclasses
import struct

import numpy as np

# The 60-byte header, packed little-endian: magic, card type, channel count, single
# channel, scan count, width code, order code, range code, scan rate, queue count, start
# date, start time, start milliseconds, card settings.
HEADER = struct.Struct("<10shhBihhhdh8s8s3s6s")
assert HEADER.size == 60

WIDE_CARDS = (4, 7)  # 24-bit codes in 32-bit words; the others have 16-bit words
CELL_DECIMALS = {1: 7, 2: 6, 3: 7, 4: 9, 7: 7, 8: 6}  # "%11.Nf" of the scaled text


@dataclasses.dataclass(frozen=True)
class Layout:
    name: str
    card: int
    channels: int
    scans: int
    rate: float
    order: int = 0  # 0 ascending, 1 descending, 2 custom (from `queue`)
    range_code: int = 1  # every position's, unless the order is custom
    queue: tuple = ()  # (channel, range code) of each position, custom order
    kinds: tuple = ()  # card 4: the input-kind bytes from offset 54 on
    single_channel: int = 0
    seed: int = 0

    @property
    def wide(self):
        return self.card in WIDE_CARDS


def random_words(layout):
    """scans x channels sample words, seeded: uniform random codes with each extreme code
    at the first and last scans and at one sample in a hundred, so that a byte moved or lost
    anywhere changes a value. The 24-bit cards' negative codes carry a random upper byte,
    which their sign extension must drop."""
    rng = np.random.default_rng(layout.seed)
    shape = (layout.scans, layout.channels)
    if layout.wide:
        low, high = -(1 << 23), (1 << 23) - 1
    else:
        low, high = -(1 << 15), (1 << 15) - 1
    codes = rng.integers(low, high, size=shape, endpoint=True, dtype=np.int64)
    extremes = np.array([low, high, -1, 0], dtype=np.int64)
    marked = rng.random(shape) < 0.01
    codes[marked] = rng.choice(extremes, size=int(marked.sum()))
    if layout.scans:
        codes[0] = extremes[np.arange(layout.channels) % 2]
        codes[-1] = extremes[1 - np.arange(layout.channels) % 2]
    if not layout.wide:
        return (codes & 0xFFFF).astype("<u2")
    words = codes & 0x00FFFFFF
    upper = rng.integers(0, 256, size=shape, dtype=np.int64) << 24
    return np.where(codes < 0, words | upper, words).astype("<u4")


def header_bytes(layout):
    settings = bytes(layout.kinds).ljust(6, b"\0")
    return HEADER.pack(b"MervikDAQ1", layout.card, layout.channels, layout.single_channel,
                       layout.scans, 2 if layout.wide else 1, layout.order, layout.range_code,
                       layout.rate, len(layout.queue), b"12/08/26", b"09:41:07", b"250",
                       settings)


def write(layout, path):
    """Writes the recording of `layout` to `path`; returns its sample words."""
    words = random_words(layout)
    queue = b"".join(bytes(entry) for entry in layout.queue)
    path.write_bytes(header_bytes(layout) + queue + words.tobytes())
    return words


def signed_codes(layout, words):
    """The codes the scaling rules take, as EDF and BDF store them: the signed word of a
    16-bit card, the word sign-extended from bit 23 for the others."""
    if not layout.wide:
        return words.view("<i2").astype(np.int64)
    low = (words & 0x00FFFFFF).astype(np.int64)
    return np.where(low & 0x800000, low - (1 << 24), words.astype(np.int64))


def output_codes(layout, words):
    """The codes as codes-text writes them: 16-bit words unsigned, 24-bit codes signed."""
    return words.astype(np.int64) if not layout.wide else signed_codes(layout, words)


def card4_kind(kind, range_code):
    if kind == 0:
        return {35: lambda c: c * 25.0 / 8388608.0, 36: lambda c: c * 12.5 / 8388608.0}.get(
            range_code)
    if kind == 1:
        return {3: lambda c: c * 2.5 / 8388608.0, 6: lambda c: c * 0.3125 / 8388608.0}.get(
            range_code)
    if kind == 2:
        return lambda c: c * 2.5 / 8388608.0 / 18.6701527
    if kind in (3, 4, 5):
        return lambda c: c * 2.5 / 8388608.0 / 0.00052
    if kind == 6:
        return lambda c: c * 2.5 / 8388608.0 / 0.000052
    if kind in (7, 8, 9, 11, 12, 13, 14):
        return lambda c: c * 78.125 / 8388608.0
    return None


def rule(card, range_code, kind):
    """The scaling of a code (as a double) for one position, or None where there is none."""
    if card in (1, 3, 8):
        rules = {1: lambda c: c / 32768.0 * 10.0, 23: lambda c: c / 32768.0 + c / 32768.0}
        if card != 8:
            rules[10] = lambda c: c / 32768.0 * 1.0
            rules[25] = lambda c: c / 32768.0 * 0.2
        return rules.get(range_code)
    if card == 2:
        return {1: lambda c: c * 100.0 / 32768.0 / 248.93536376953125}.get(range_code)
    if card == 7:
        return {1: lambda c: c / 8388608.0 * 10.0}.get(range_code)
    if card == 4:
        return card4_kind(kind, range_code)
    return None


def position_kinds(layout):
    """Card 4: the input kind of each position. Uniform order takes the first byte; custom
    order gives the k-th byte to the k-th lowest of channels 0 to 3 in the queue."""
    kinds = list(layout.kinds) + [0] * 4
    if layout.order != 2:
        return [kinds[0]] * layout.channels
    present = sorted({channel for channel, _ in layout.queue if channel < 4})
    table = {channel: kinds[k] for k, channel in enumerate(present)}
    return [table.get(channel, 0) for channel, _ in layout.queue[:layout.channels]]


def scaled_values(layout, words):
    """scans x channels doubles. A position whose range has no rule repeats the value before
    it in sample order (the first position must have one, so no start value is needed)."""
    codes = signed_codes(layout, words).astype(np.float64)
    ranges = ([r for _, r in layout.queue[:layout.channels]] if layout.order == 2
              else [layout.range_code] * layout.channels)
    kinds = position_kinds(layout)
    values = np.full(codes.shape, np.nan)
    for p in range(layout.channels):
        scale = rule(layout.card, ranges[p], kinds[p])
        if scale is not None:
            values[:, p] = scale(codes[:, p])
    assert not np.isnan(values[:, 0]).any(), "position 0 needs a rule"
    flat = values.ravel()
    held = np.where(np.isnan(flat), 0, np.arange(flat.size))
    np.maximum.accumulate(held, out=held)
    return flat[held].reshape(values.shape)


def channel_numbers(layout):
    """The channel each position holds, as the title line and signal labels name it."""
    if layout.channels == 1 and layout.order != 2:
        return [layout.single_channel]
    if layout.order == 2:
        return [channel for channel, _ in layout.queue[:layout.channels]]
    ascending = list(range(layout.channels))
    return ascending[::-1] if layout.order == 1 else ascending
