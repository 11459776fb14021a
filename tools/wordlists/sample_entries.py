#!/usr/bin/python3
"""Prints a reproducible random sample of the entries of a word-list file.

Entries (word line plus explanation line, separated by empty lines) are taken in file
order and sampled with random.Random(SEED).sample, so that a reviewer and anyone
checking the review draw the same entries from the same file.

    tools/wordlists/sample_entries.py [--seed 20261208] [-n 60] FILE
"""

import argparse
import random
import sys


def read_entries(path):
    with open(path, encoding="utf-8") as f:
        text = f.read()
    return [block.strip("\n") for block in text.split("\n\n") if block.strip()]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("file")
    parser.add_argument("--seed", type=int, default=20261208)
    parser.add_argument("-n", type=int, default=60, help="number of entries to draw")
    args = parser.parse_args()

    entries = read_entries(args.file)
    if args.n > len(entries):
        sys.exit("%s has only %d entries, fewer than %d" % (args.file, len(entries), args.n))
    for number, entry in enumerate(random.Random(args.seed).sample(entries, args.n), start=1):
        print("%d. %s\n" % (number, entry.replace("\n", "\n    ")))


if __name__ == "__main__":
    main()
