#!/usr/bin/python3
"""Builds the program's phonetic font, res/MYFONT/142.ttf (family "ZARaviduzi").

The font is a renamed subset of Doulos SIL (Debian package fonts-sil-doulos, SIL Open
Font License 1.1). The licence reserves the names "Doulos" and "SIL" for the original,
so the derivative carries its own family name in every name record and no vendor id of
the original maker. The subset keeps what English transcriptions need: ASCII, Latin-1,
IPA Extensions, Spacing Modifier Letters (stress and length marks), the combining
diacritics and a few letters from other blocks (ŋ, θ, ...).

Developer step only; the generated TTF is committed and the build does not run this:
    apt-get install fonts-sil-doulos python3-fonttools
    /usr/bin/python3 tools/font/make_phonetic_font.py
"""

import argparse
import os
import sys

try:
    from fontTools import subset
    from fontTools.ttLib import TTFont
    from fontTools.ttLib.tables._n_a_m_e import table__n_a_m_e
except ImportError:
    sys.exit("fontTools is missing: apt-get install python3-fonttools "
             "(and run this with /usr/bin/python3)")

DEFAULT_SOURCE = "/usr/share/fonts/truetype/doulos/DoulosSIL-Regular.ttf"
FAMILY = "ZARaviduzi"
STYLE = "Regular"
POSTSCRIPT = FAMILY + "-" + STYLE
RESERVED = ("doulos", "sil")  # must not survive in any name the font presents

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))
DEFAULT_OUTPUT = os.path.join(REPO, "res", "MYFONT", "142.ttf")

# Code points a transcription of English may use; the build fails if one is missing.
REQUIRED = (
    [chr(c) for c in range(0x20, 0x7F)]  # printable ASCII
    + list("əɚɜɝæɑɒɐʌɔɪʊiueɛaoɘɵɨʉ"  # vowels
           "ʃʒθðŋɡɹɾʔɫɬʧʤʨʥçxχβɣʍɥɲɳɭ"  # consonants
           "ˈˌːˑʰʲʷˠˤ˞ʼ"  # stress, length and modifier letters
           "\u0303\u0329\u030D\u0361\u035C\u032F\u0325\u0324\u0330\u0306\u0308\u031A\u0318\u0319")
)

# Whole ranges kept wherever the source has a glyph.
RANGES = [
    (0x0020, 0x007E),  # ASCII
    (0x00A0, 0x00FF),  # Latin-1 Supplement
    (0x0250, 0x02AF),  # IPA Extensions
    (0x02B0, 0x02FF),  # Spacing Modifier Letters
    (0x0300, 0x036F),  # Combining Diacritical Marks
]
EXTRA = [
    0x0131,  # ı dotless i (base for stacked diacritics)
    0x014B,  # ŋ
    0x0153,  # œ
    0x03B2, 0x03B8, 0x03C7,  # β θ χ
    0x1D4A,  # ᵊ superscript schwa
    0x1D7B, 0x1D7F,  # ᵻ ᵿ
    0x2010, 0x2011,  # hyphens
    0x2018, 0x2019, 0x201C, 0x201D,  # quotes
    0x2026,  # …
    0x207F,  # ⁿ
    0x25CC,  # ◌ dotted circle, shown under a lone combining mark
]


def build_name_table(source_name, version):
    """A fresh name table: our names, the source's copyright and licence records."""
    table = table__n_a_m_e()
    table.names = []

    def add(name_id, text):
        table.setName(text, name_id, 3, 1, 0x409)  # Windows, Unicode BMP, English
        table.setName(text, name_id, 1, 0, 0)      # Macintosh, Roman, English

    copyright_text = source_name.getDebugName(0) or ""
    licence = source_name.getDebugName(13) or ""
    licence_url = source_name.getDebugName(14) or ""
    add(0, copyright_text + "; modified subset renamed " + FAMILY)
    add(1, FAMILY)
    add(2, STYLE)
    add(3, POSTSCRIPT + "; " + version)
    add(4, FAMILY)
    add(5, version)
    add(6, POSTSCRIPT)
    add(10, "Phonetic (IPA) subset for English transcriptions, derived under the SIL Open Font License 1.1")
    add(13, licence)
    add(14, licence_url)
    return table


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--source", default=DEFAULT_SOURCE)
    parser.add_argument("--output", default=DEFAULT_OUTPUT)
    parser.add_argument("--keep-hinting", action="store_true",
                        help="keep the TrueType instructions (larger file)")
    args = parser.parse_args()

    font = TTFont(args.source, recalcTimestamp=False)
    cmap = font.getBestCmap()

    missing = [c for c in REQUIRED if ord(c) not in cmap]
    if missing:
        sys.exit("source font lacks: " + " ".join("U+%04X" % ord(c) for c in missing))

    unicodes = set(ord(c) for c in REQUIRED)
    for lo, hi in RANGES:
        unicodes.update(c for c in range(lo, hi + 1) if c in cmap)
    unicodes.update(c for c in EXTRA if c in cmap)

    options = subset.Options()
    options.layout_features = ["ccmp", "locl", "mark", "mkmk", "kern", "liga"]
    options.name_IDs = ["*"]          # replaced below anyway
    options.notdef_outline = True     # a missing glyph shows as a box, not as nothing
    options.glyph_names = False       # post format 3: names are not needed
    options.hinting = args.keep_hinting
    options.drop_tables += ["Silt", "Silf", "Glat", "Gloc", "Feat", "Sill", "DSIG"]
    subsetter = subset.Subsetter(options)
    subsetter.populate(unicodes=sorted(unicodes))
    subsetter.subset(font)

    source_version = font["name"].getDebugName(5) or "Version 1.000"
    version = source_version.split(";")[0].strip() + "; " + FAMILY + " subset"
    font["name"] = build_name_table(font["name"], version)
    font["OS/2"].achVendID = "NONE"   # the modified font is not the original maker's

    for record in font["name"].names:
        text = record.toUnicode().lower()
        if record.nameID in (1, 2, 3, 4, 6, 16, 17, 18, 21, 22, 25):
            for word in RESERVED:
                if word in text.replace(FAMILY.lower(), ""):
                    sys.exit("reserved name left in name record %d" % record.nameID)

    os.makedirs(os.path.dirname(args.output), exist_ok=True)
    font.save(args.output)
    out = TTFont(args.output)
    kept = out.getBestCmap()
    print("%s: %d bytes, %d glyphs, %d code points" %
          (args.output, os.path.getsize(args.output), len(out.getGlyphOrder()), len(kept)))
    gone = [c for c in unicodes if c not in kept]
    if gone:
        sys.exit("lost in subsetting: " + " ".join("U+%04X" % c for c in gone))


if __name__ == "__main__":
    main()
