#!/usr/bin/python3
"""Makes the free word lists from the lexicon and the exams' headword lists.

One source of truth: tools/wordlists/lexicon/*.txt hold every entry once (word line
"word [transcription]", explanation line, an empty line between entries; a file per
initial letter), and tools/wordlists/lists/NAME.txt name the headwords of one list,
one per line. Each list becomes res/wordlists/赠送词库/NAME.txt in the import format,
sorted case-insensitively, so a word reads the same in every list that has it.

    tools/wordlists/generate.py           write the list files
    tools/wordlists/generate.py --check   write nothing; exit 1 when a list file differs
                                          from what would be written, or on any fault
"""

import argparse
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
LEXICON = os.path.join(HERE, "lexicon")
LISTS = os.path.join(HERE, "lists")
OUTPUT = os.path.join(HERE, "..", "..", "res", "wordlists", "赠送词库")


def sort_key(word):
    return (word.lower(), word)


def read_lexicon(faults):
    """headword (lower case) -> (headword, word line, explanation line)."""
    entries = {}
    for name in sorted(os.listdir(LEXICON)):
        if not name.endswith(".txt"):
            continue
        path = os.path.join(LEXICON, name)
        with open(path, encoding="utf-8") as f:
            blocks = [b for b in f.read().split("\n\n") if b.strip()]
        for block in blocks:
            lines = block.strip("\n").split("\n")
            if len(lines) != 2 or " [" not in lines[0]:
                faults.append("%s: not an entry of two lines: %r" % (name, block[:60]))
                continue
            word = lines[0][:lines[0].rindex(" [")]
            key = word.lower()
            if not name.startswith(key[0]):
                faults.append("%s: %r belongs in %s.txt" % (name, word, key[0]))
            if key in entries:
                other = entries[key][1]
                kind = "two transcriptions" if other != lines[0] else "two entries"
                faults.append("%s: %r has %s (%s / %s)" % (name, word, kind, other, lines[0]))
                continue
            entries[key] = (word, lines[0], lines[1])
    return entries


def read_list(path, lexicon, faults):
    name = os.path.basename(path)
    with open(path, encoding="utf-8") as f:
        words = [w.strip() for w in f if w.strip()]
    seen = set()
    chosen = []
    for w in words:
        key = w.lower()
        if key in seen:
            faults.append("%s: %r listed twice" % (name, w))
            continue
        seen.add(key)
        if key not in lexicon:
            faults.append("%s: %r is not in the lexicon" % (name, w))
            continue
        chosen.append(lexicon[key])
    chosen.sort(key=lambda e: sort_key(e[0]))
    return "".join("%s\n%s\n\n" % (e[1], e[2]) for e in chosen).rstrip("\n") + "\n", len(chosen)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--check", action="store_true")
    parser.add_argument("--output", default=OUTPUT)
    args = parser.parse_args()

    faults = []
    lexicon = read_lexicon(faults)
    for name in sorted(os.listdir(LISTS)):
        if not name.endswith(".txt"):
            continue
        text, count = read_list(os.path.join(LISTS, name), lexicon, faults)
        target = os.path.join(args.output, name)
        old = None
        if os.path.exists(target):
            with open(target, encoding="utf-8", newline="") as f:
                old = f.read()
        if args.check:
            if old != text:
                faults.append("%s differs from what the lexicon and lists/%s make" % (target, name))
        elif old != text:
            with open(target, "w", encoding="utf-8", newline="") as f:
                f.write(text)
        print("%s: %d entries" % (name, count))
    for fault in faults:
        print(fault, file=sys.stderr)
    sys.exit(1 if faults else 0)


if __name__ == "__main__":
    main()
