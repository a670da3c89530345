#!/usr/bin/env python3
"""Generates the message catalogue's build products from messages.tsv.

make_messages.py INPUT.tsv OUTPUT_TABLE.cpp OUTPUT_STRINGTABLE.rc

The C++ table holds every text as a UTF-16 literal (non-ASCII written as \\u escapes, so the
compiler's source character set does not matter). The string table fragment is UTF-8 with
line breaks as \\r\\n escapes, for inclusion into the Windows resource script.
"""
import sys

GERMAN_LANGUAGE = "LANGUAGE 0x07, 0x01"  # LANG_GERMAN, SUBLANG_GERMAN (1031)


def fail(path, line_number, reason):
    sys.exit(f"{path}:{line_number}: {reason}")


def read_catalogue(path):
    entries = {}
    with open(path, encoding="utf-8", newline="") as source:
        for line_number, raw in enumerate(source, start=1):
            line = raw.rstrip("\n").rstrip("\r")
            if not line or line.startswith("#"):
                continue
            identifier, separator, escaped = line.partition("\t")
            if not separator or not identifier.isdigit():
                fail(path, line_number, "expected <identifier> TAB <text>")
            number = int(identifier)
            if not 0 < number <= 0xFFFF:
                fail(path, line_number, f"identifier {number} is not a 16-bit message id")
            if number in entries:
                fail(path, line_number, f"identifier {number} appears twice")
            if "\t" in escaped or '"' in escaped:
                fail(path, line_number, "texts must not contain tabs or double quotes")
            text = escaped.replace("\\r\\n", "\r\n")
            if "\\" in text:
                fail(path, line_number, "the only escape allowed is \\r\\n")
            if not text:
                fail(path, line_number, "empty text")
            entries[number] = text
    if not entries:
        sys.exit(f"{path}: no messages")
    return dict(sorted(entries.items()))


def cpp_literal(text):
    out = []
    for character in text:
        code = ord(character)
        if character == "\r":
            out.append("\\r")
        elif character == "\n":
            out.append("\\n")
        elif 0x20 <= code < 0x7F:
            out.append(character)
        elif code <= 0xFFFF:
            out.append(f"\\u{code:04x}")
        else:
            out.append(f"\\U{code:08x}")
    return 'u"' + "".join(out) + '"'


def rc_literal(text):
    return '"' + text.replace("\r", "\\r").replace("\n", "\\n") + '"'


def write_if_changed(path, content):
    try:
        with open(path, encoding="utf-8", newline="") as existing:
            if existing.read() == content:
                return
    except FileNotFoundError:
        pass
    with open(path, "w", encoding="utf-8", newline="") as target:
        target.write(content)


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    source, table_path, rc_path = sys.argv[1:]
    entries = read_catalogue(source)

    table = ["// Generated from messages.tsv; do not edit.",
             '#include "resources/messages.h"',
             "",
             "namespace talo {",
             "namespace {",
             "constexpr CatalogueEntry kEntries[] = {"]
    table += [f"    {{{number}, {cpp_literal(text)}}}," for number, text in entries.items()]
    table += ["};",
              "}  // namespace",
              "",
              "std::span<const CatalogueEntry> catalogueEntries() { return kEntries; }",
              "",
              "}  // namespace talo",
              ""]
    write_if_changed(table_path, "\n".join(table))

    rc = ["// Generated from messages.tsv; do not edit.",
          "#pragma code_page(65001)",
          GERMAN_LANGUAGE,
          "STRINGTABLE",
          "{"]
    rc += [f"    {number}, {rc_literal(text)}" for number, text in entries.items()]
    rc += ["}", ""]
    write_if_changed(rc_path, "\r\n".join(rc))


if __name__ == "__main__":
    main()
