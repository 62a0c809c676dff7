#!/usr/bin/python3
"""Prints the card tree of a vCard/vCalendar file as python3-vobject reads it,
as JSON, for VCardCorpusTest to compare with VLvParser's tree.

Usage: vobject_dump.py FILE...

Output: {FILE: {"components": [COMPONENT...]} or {"error": "..."}, ...}, where
  COMPONENT = {"name": BEGIN value, "lines": [LINE...], "children": [COMPONENT...]}
  LINE = {"group": str or null, "name": str, "params": [[NAME, VALUE...]...],
          "encoding": "quoted-printable" | "base64" | "b" | null,
          "value": base64 of the decoded value bytes}

The file is read as UTF-8 (invalid bytes replaced) with CR LF and lone CR
turned into LF, as VLvParser's callers hand it text. vobject joins folded and
quoted-printable soft-broken lines and parses names, groups and parameters;
values are taken as vobject saw them before any decoding and decoded here with
Python's own codecs: quoted-printable when a QUOTED-PRINTABLE parameter (bare or
as ENCODING) asks for it, base64 (missing padding added) when a BASE64 one does.
A vCard 3.0 'ENCODING=b' value stays as it is, as the tokenizer hands such
values to its clients undecoded. Leading whitespace of a value is not part of it.
"""

import base64
import binascii
import json
import logging
import quopri
import sys

try:
    import vobject
    import vobject.base
except ImportError:
    sys.exit("python3-vobject is not installed")

def _line_keeping_raw_form(text, n=None):
    # vobject decodes quoted-printable (strictly, in the CHARSET) and base64 as it
    # builds a line; build it without either and keep what it parsed, so that the
    # decoding below is Python's alone.
    name, params, value, group = vobject.base.parseLine(text, n)
    plain = [p for p in params if not any(t.upper() == "QUOTED-PRINTABLE" for t in p)]
    line = vobject.base.ContentLine(name, plain, value, group, encoded=False, lineNumber=n)
    line.raw_params = params
    return line


vobject.base.textLineToContentLine = _line_keeping_raw_form


def encoding_of(params):
    encoding = None
    for param in params:
        tokens = param[1:] if param[0].upper() == "ENCODING" else [param[0]]
        for token in tokens:
            token = token.upper()
            if token in ("QUOTED-PRINTABLE", "BASE64", "B"):
                encoding = {"QUOTED-PRINTABLE": "quoted-printable", "BASE64": "base64", "B": "b"}[token]
            elif token == "8BIT":
                encoding = None
    return encoding


def decoded(value, encoding):
    raw = value.lstrip(" \t").encode("utf-8")
    if encoding == "quoted-printable":
        return quopri.decodestring(raw)
    if encoding == "base64":
        compact = b"".join(raw.split())
        compact += b"=" * (-len(compact) % 4)
        try:
            return base64.b64decode(compact)
        except (binascii.Error, ValueError):
            return raw
    return raw


def dump(component):
    lines, children = [], []
    for child in component.getChildren():
        if isinstance(child, vobject.base.Component):
            children.append(dump(child))
            continue
        params = getattr(child, "raw_params", [])
        encoding = encoding_of(params)
        lines.append({
            "group": child.group,
            "name": child.name,
            "params": params,
            "encoding": encoding,
            "value": base64.b64encode(decoded(child.value, encoding)).decode("ascii"),
        })
    return {"name": component.name, "lines": lines, "children": children}


def read(path):
    with open(path, "rb") as f:
        text = f.read().decode("utf-8", errors="replace")
    text = text.replace("\r\n", "\n").replace("\r", "\n")
    try:
        return {"components": [dump(c) for c in vobject.readComponents(text, transform=False, ignoreUnreadable=True,
                                                                        allowQP=True)]}
    except Exception as e:  # vobject gives up on some files; the test reports it
        return {"error": "%s: %s" % (type(e).__name__, e)}


def main():
    logging.disable(logging.CRITICAL)  # vobject logs every line it skips
    print(json.dumps({path: read(path) for path in sys.argv[1:]}))


if __name__ == "__main__":
    main()
