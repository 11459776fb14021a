#!/usr/bin/python3
"""Checks word-list files of the free lists against the import format.

A list is a sequence of entries separated by one empty line; an entry is a word line
("word [transcription]") followed by an explanation line (Chinese, with part-of-speech
tags such as "n." or "adj."). The files we ship are UTF-8 without byte-order mark,
with LF line ends, trimmed lines and no tabs.

Besides the format it checks the transcriptions: only the symbols of British English
in the usual dictionary notation (stress marks ˈ ˌ, length mark ː, ɡ rather than g),
and, when a font file is given and fontTools is installed, only characters that font
has. A sense pronounced otherwise than the headword carries its own transcription in
the explanation, between slashes right after it ("v. 撕 n. 眼泪 /tɪə/"); those are
held to the same rules. Prints one line per fault and a summary; exits 1 when there
is a fault.

    tools/wordlists/check_wordlist.py [--min N] [--font res/MYFONT/142.ttf] FILE...
"""

import argparse
import re
import sys

WORD_LINE = re.compile(r"^[A-Za-z][A-Za-z' -]* \[([^\[\]]+)\]$")
TAGS = {"n", "v", "vt", "vi", "adj", "adv", "prep", "conj", "pron", "art", "num",
        "int", "interj", "aux", "abbr"}
TAG = re.compile(r"(?:^|(?<=[\s；]))([a-z]+)\.")
HAN = re.compile(r"[\u4e00-\u9fff]")
# A sense's own transcription: "/.../" after a blank, at the end or before a blank.
SENSE_TRANSCRIPTION = re.compile(r"(?<= )/([^/\s]+)/(?= |$)")

# Phonemes of British English in the notation of Chinese learners' dictionaries;
# longest first so that diphthongs and long vowels are taken whole.
PHONEMES = sorted("""
    p b t d k ɡ f v θ ð s z ʃ ʒ h tʃ dʒ m n ŋ l r j w
    iː ɪ i e æ ɑː ɒ ɔː ʊ u uː ʌ ɜː ə eɪ aɪ ɔɪ əʊ aʊ ɪə eə ʊə
""".split(), key=len, reverse=True)
STRESS = "ˈˌ"


def phoneme_faults(transcription):
    """Why a transcription is not a well-formed sequence of phonemes, or None."""
    pos, last_was_stress = 0, True
    stresses = 0
    while pos < len(transcription):
        c = transcription[pos]
        if c in STRESS:
            if last_was_stress and pos > 0:
                return "two stress marks in a row"
            stresses += 1
            last_was_stress = True
            pos += 1
            continue
        for p in PHONEMES:
            if transcription.startswith(p, pos):
                pos += len(p)
                last_was_stress = False
                break
        else:
            return "unexpected symbol %r (U+%04X) at %d" % (c, ord(c), pos)
    if last_was_stress:
        return "ends with a stress mark"
    if transcription.count("ˈ") > 1:
        return "more than one primary stress"
    return None


def font_characters(path):
    try:
        from fontTools.ttLib import TTFont
    except ImportError:
        print("note: fontTools missing, font coverage not checked", file=sys.stderr)
        return None
    return set(TTFont(path).getBestCmap())


def transcription_faults(fault, line_no, transcription, where, args, cmap):
    """The notation rules, for the word's transcription and a sense's alike."""
    if transcription != transcription.strip() or "  " in transcription:
        fault(line_no, where + "blanks in transcription")
    if "'" in transcription or ":" in transcription:
        fault(line_no, where + "ASCII ' or : in transcription; use ˈ and ː")
    if "g" in transcription:
        fault(line_no, where + "ASCII g in transcription; use ɡ (U+0261)")
    if args.phonemes:
        why = phoneme_faults(transcription.replace(" ", ""))
        if why:
            fault(line_no, (where or "transcription [%s]: " % transcription) + why)
    if cmap is not None:
        for c in transcription:
            if ord(c) not in cmap:
                fault(line_no, where + "U+%04X %s not in the phonetic font" % (ord(c), c))


def check_file(path, args, cmap):
    faults = []

    def fault(line_no, text):
        faults.append("%s:%d: %s" % (path, line_no, text))

    data = open(path, "rb").read()
    if data.startswith(b"\xef\xbb\xbf"):
        fault(1, "byte-order mark")
    try:
        text = data.decode("utf-8")
    except UnicodeDecodeError as e:
        fault(1, "not UTF-8: %s" % e)
        return faults, 0
    if "\r" in text:
        fault(1, "CR line ends")
    if "\t" in text:
        fault(1, "tab character")
    if not text.endswith("\n") or text.endswith("\n\n"):
        fault(1, "the file must end with exactly one line end")

    lines = text.split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    entries = []  # (line number, word, transcription, explanation)
    block = []
    for number, line in enumerate(lines + [""], start=1):
        if line != line.strip():
            fault(number, "line not trimmed")
        if line.strip():
            block.append((number, line.strip()))
            continue
        if not block:
            if number <= len(lines):
                fault(number, "more than one empty line between entries")
            continue
        if len(block) != 2:
            fault(block[0][0], "entry of %d lines, not 2" % len(block))
        else:
            (n1, word_line), (n2, explanation) = block
            m = WORD_LINE.match(word_line)
            if not m:
                fault(n1, "word line not 'word [transcription]': %s" % word_line)
            else:
                word = word_line[:word_line.rindex(" [")]
                entries.append((n1, word, m.group(1), explanation, n2))
        block = []

    seen = {}
    previous = ""
    for n1, word, transcription, explanation, n2 in entries:
        key = word.lower()
        if key in seen:
            fault(n1, "duplicate word %r (first at line %d)" % (word, seen[key]))
        seen.setdefault(key, n1)
        if key < previous:
            fault(n1, "not in alphabetical order: %r after %r" % (word, previous))
        previous = max(previous, key)

        transcription_faults(fault, n1, transcription, "", args, cmap)
        senses = SENSE_TRANSCRIPTION.findall(explanation)
        if explanation.count("/") != 2 * len(senses):
            fault(n2, "a slash that does not enclose a transcription after a sense")
        for sense in senses:
            if sense == transcription:
                fault(n2, "/%s/ repeats the word's own transcription" % sense)
            transcription_faults(fault, n2, sense, "/%s/: " % sense, args, cmap)

        if not HAN.search(explanation):
            fault(n2, "explanation without Chinese")
        if "[" in explanation or "]" in explanation:
            fault(n2, "square bracket in explanation")
        tags = TAG.findall(explanation)
        if not tags or not explanation.startswith(tags[0] + "."):
            fault(n2, "explanation does not start with a part-of-speech tag")
        for t in tags:
            if t not in TAGS:
                fault(n2, "unknown part-of-speech tag %r" % t)
        if len(explanation.encode("gb18030")) > 255 or len(word_line_bytes(word, transcription)) > 255:
            fault(n1, "line longer than 255 bytes in the narrow code page")

    if len(entries) < args.min:
        fault(1, "%d entries, fewer than %d" % (len(entries), args.min))
    return faults, len(entries)


def word_line_bytes(word, transcription):
    return ("%s [%s]" % (word, transcription)).encode("gb18030")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("files", nargs="+")
    parser.add_argument("--min", type=int, default=1, help="fewest entries per file")
    parser.add_argument("--font", help="TrueType font whose characters transcriptions may use")
    parser.add_argument("--no-phonemes", dest="phonemes", action="store_false",
                        help="do not check transcriptions symbol by symbol")
    args = parser.parse_args()

    cmap = font_characters(args.font) if args.font else None
    total_faults = 0
    for path in args.files:
        faults, count = check_file(path, args, cmap)
        for f in faults:
            print(f)
        total_faults += len(faults)
        print("%s: %d entries, %d faults" % (path, count, len(faults)))
    sys.exit(1 if total_faults else 0)


if __name__ == "__main__":
    main()
