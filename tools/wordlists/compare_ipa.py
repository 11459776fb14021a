#!/usr/bin/python3
"""Compares the transcriptions of word-list files with espeak-ng's British English.

For every entry ("word [transcription]" followed by its explanation line) espeak-ng
is asked for the word's pronunciation (`espeak-ng -q -v en-gb --ipa`). Both notations
are first brought to the same phoneme inventory (espeak writes ɹ for r, ɐ and ᵻ for
weak vowels, a for æ, ɛ for e, əl/ən for syllabic consonants, ...), then compared by
an edit distance over phonemes in which near variants (i/iː, ʊə/ɔː, ə/ɪ, ...) cost
little. Entries whose distance, relative to the longer transcription, exceeds the
threshold are printed with both forms so that a reader can decide which one is wrong
(espeak's rules mispronounce many words, so a listed entry is not necessarily a fault).

    tools/wordlists/compare_ipa.py [--threshold 0.15] [--all] FILE...

Needs only Python's standard library and the espeak-ng program. Exits 0 when every
file could be compared, 2 when espeak-ng is missing or a file cannot be read.
"""

import argparse
import re
import shutil
import subprocess
import sys
import unicodedata

ENTRY_LINE = re.compile(r"^(.+?) \[([^\[\]]*)\]$")

# Every symbol either side may produce after normalisation; longest first so that
# diphthongs, affricates and long vowels are taken whole.
TOKENS = sorted("""
    p b t d k ɡ f v θ ð s z ʃ ʒ h tʃ dʒ m n ŋ l r j w x
    iː ɪ i e æ ɑː ɒ ɔː ʊ u uː ʌ ɜː ə eɪ aɪ ɔɪ əʊ aʊ ɪə eə ʊə
    a ɛ ɛː ɛə iə ɑ ɔ o oː oʊ ɜ ɪː ʊː eː aː ɐ ᵻ ɚ ɝ ɹ ɾ ʔ ɫ ʍ ɬ ç
""".split(), key=len, reverse=True)

# espeak's (and American or narrower) symbols -> the learners' dictionary notation.
TOKEN_MAP = {
    "ɹ": "r", "ɐ": "ə", "ᵻ": "ɪ", "ɾ": "t", "ʔ": "t", "ɚ": "ə", "ɝ": "ɜː", "ɜ": "ɜː",
    "a": "æ", "aː": "ɑː", "ɑ": "ɑː", "ɛ": "e", "ɛː": "eə", "ɛə": "eə", "eː": "eə",
    "iə": "ɪə", "ɪː": "iː", "ʊː": "uː", "ɔ": "ɔː", "o": "əʊ", "oː": "ɔː", "oʊ": "əʊ",
    "ɫ": "l", "ʍ": "w", "ɬ": "l", "ç": "h", "x": "k",
}

VOWELS = {"iː", "ɪ", "i", "e", "æ", "ɑː", "ɒ", "ɔː", "ʊ", "u", "uː", "ʌ", "ɜː", "ə",
          "eɪ", "aɪ", "ɔɪ", "əʊ", "aʊ", "ɪə", "eə", "ʊə"}

# Pairs that dictionaries and espeak write differently for the same sound, or that
# differ only in weak syllables; substituting one for the other costs NEAR.
NEAR_PAIRS = [
    ("i", "iː"), ("i", "ɪ"), ("u", "uː"), ("u", "ʊ"),
    ("ə", "ɪ"), ("ə", "i"), ("ə", "ʊ"), ("ə", "u"), ("ə", "ʌ"), ("ə", "e"), ("ə", "æ"),
    ("ə", "ɒ"), ("ə", "əʊ"), ("ə", "ɜː"), ("ə", "eɪ"), ("ə", "aɪ"), ("ɪ", "e"), ("ɪ", "aɪ"),
    ("ʊə", "ɔː"), ("ʊə", "uː"), ("ɒ", "ɔː"), ("æ", "ɑː"), ("eə", "e"),
    ("ɪə", "iː"), ("ɪə", "ɪ"), ("əʊ", "ɒ"), ("ʒ", "dʒ"), ("ʃ", "tʃ"), ("s", "z"),
    # opinion [əˈpɪnjən], espeak [əpˈɪniən]
    ("j", "ɪ"), ("j", "i"), ("j", "ɪə"),
]
NEAR = 0.25
NEAR_COST = {}
for a, b in NEAR_PAIRS:
    NEAR_COST[(a, b)] = NEAR_COST[(b, a)] = NEAR
# Vowel length in a stressed syllable tells words apart (ship, sheep): half a fault.
for a, b in [("ɪ", "iː"), ("ʊ", "uː")]:
    NEAR_COST[(a, b)] = NEAR_COST[(b, a)] = 0.5
# A weak vowel that one side writes and the other leaves out costs little as well;
# espeak also writes ʌ for some weak syllables (welcome, autumn).
WEAK_INDEL = {"ə": 0.5, "ɪ": 0.5, "i": 0.5, "ʌ": 0.5}


def tokens(transcription, spoken=False):
    """The phonemes of a transcription in either notation, normalised.

    espeak's British voice never sounds an r after a vowel unless a vowel follows, so
    the rule is applied to its output only: an r in that place in a list entry is an
    American form and counts as a difference.
    """
    text = unicodedata.normalize("NFD", transcription)
    # Combining marks (tie bars, nasal tildes, syllabic strokes), stress, syllable
    # dots and blanks between words carry no phoneme of their own.
    text = "".join(c for c in text if not unicodedata.combining(c) and c not in "ˈˌ'.‿ -_")
    text = text.replace("g", "ɡ").replace(":", "ː").replace("ʤ", "dʒ").replace("ʧ", "tʃ")
    text = text.replace("iːə", "iə")  # real [ˈriːəl] and [rɪəl] are the same word
    out = []
    pos = 0
    while pos < len(text):
        for t in TOKENS:
            if text.startswith(t, pos):
                out.append(TOKEN_MAP.get(t, t))
                pos += len(t)
                break
        else:
            out.append(text[pos])  # unknown symbol: compared as itself
            pos += 1
    return syllabic(non_rhotic(out) if spoken else out)


def non_rhotic(ph):
    """British English drops r before a consonant and at the end of a word."""
    out = []
    for i, p in enumerate(ph):
        if p == "r" and i > 0 and ph[i - 1] in VOWELS:
            following = ph[i + 1] if i + 1 < len(ph) else None
            if following is None or following not in VOWELS:
                continue
        out.append(p)
    return out


def syllabic(ph):
    """ə before l, n or m that ends a syllable is written either way (ˈeɪbl, ˈeɪbəl)."""
    out = []
    for i, p in enumerate(ph):
        if (p == "ə" and i > 0 and ph[i - 1] not in VOWELS and i + 1 < len(ph)
                and ph[i + 1] in ("l", "n", "m")
                and (i + 2 == len(ph) or ph[i + 2] not in VOWELS)):
            continue
        out.append(p)
    return out


def distance(a, b):
    """Weighted edit distance between two phoneme sequences."""
    def indel(p):
        return WEAK_INDEL.get(p, 1.0)

    prev = [0.0]
    for q in b:
        prev.append(prev[-1] + indel(q))
    for p in a:
        cur = [prev[0] + indel(p)]
        for j, q in enumerate(b, start=1):
            sub = 0.0 if p == q else NEAR_COST.get((p, q), 1.0)
            cur.append(min(prev[j - 1] + sub, prev[j] + indel(p), cur[j - 1] + indel(q)))
        prev = cur
    return prev[-1]


def espeak(words, chunk=400):
    """espeak-ng's British IPA for each word, in order.

    The words are spoken as one clause per line ("word.") so that espeak answers one
    output line per word; a chunk whose line count does not match is redone word by word.
    """
    result = []
    for start in range(0, len(words), chunk):
        part = words[start:start + chunk]
        text = "".join(w.rstrip(".") + ".\n" for w in part)
        lines = run_espeak(text)
        if len(lines) != len(part):
            lines = [" ".join(run_espeak(w.rstrip(".") + ".\n")) for w in part]
        result.extend(lines)
    return result


def run_espeak(text):
    out = subprocess.run(["espeak-ng", "-q", "-v", "en-gb", "--ipa"], input=text,
                         capture_output=True, text=True, check=True).stdout
    return [line.strip() for line in out.split("\n") if line.strip()]


def read_entries(path):
    """(line number, word, transcription) for every word line of a list file."""
    entries = []
    expect_word = True
    with open(path, encoding="utf-8-sig") as f:
        for number, line in enumerate(f, start=1):
            line = line.strip()
            if not line:
                expect_word = True
                continue
            if expect_word:
                m = ENTRY_LINE.match(line)
                if m:
                    entries.append((number, m.group(1), m.group(2)))
                else:
                    print("%s:%d: not a word line: %s" % (path, number, line))
                expect_word = False
    return entries


def compare_file(path, args):
    entries = read_entries(path)
    spoken = espeak([word for _, word, _ in entries])
    flagged = 0
    for (number, word, ours), theirs in zip(entries, spoken):
        a, b = tokens(ours), tokens(theirs, spoken=True)
        score = distance(a, b) / max(len(a), len(b), 1)
        if score > args.threshold or args.all:
            if score > args.threshold:
                flagged += 1
            print("%s:%d: %-18s list [%s]  espeak [%s]  %.2f  (%s | %s)" % (
                path, number, word, ours, theirs, score, "".join(a), "".join(b)))
    print("%s: %d entries, %d differ strongly from espeak-ng (threshold %.2f)" % (
        path, len(entries), flagged, args.threshold))
    return flagged


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("files", nargs="+")
    parser.add_argument("--threshold", type=float, default=0.15,
                        help="relative distance above which an entry is listed")
    parser.add_argument("--all", action="store_true", help="list every entry with its score")
    args = parser.parse_args()
    if not shutil.which("espeak-ng"):
        print("espeak-ng is not installed (apt-get install espeak-ng)", file=sys.stderr)
        sys.exit(2)
    total = 0
    for path in args.files:
        try:
            total += compare_file(path, args)
        except OSError as e:
            print("%s: %s" % (path, e), file=sys.stderr)
            sys.exit(2)
    if len(args.files) > 1:
        print("total: %d entries differ strongly" % total)


if __name__ == "__main__":
    main()
