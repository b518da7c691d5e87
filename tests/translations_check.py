#!/usr/bin/env python3
"""The committed translations/vestrel_*.ts are in step with the sources.

lupdate collects the texts of the sources (the folders update-translations.sh
scans) into a fresh .ts in a temporary folder; every text there must be in
the committed file, translated, and the committed file must hold no text
the sources no longer have; and no folder the script leaves out may mark
texts. The committed files are only read.

usage: translations_check.py LUPDATE SOURCE_DIR
"""

import os
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET


def messages(path):
    """{(context, source, comment): translated} of a .ts file."""
    found = {}
    for context in ET.parse(path).getroot().iter("context"):
        name = context.findtext("name", "")
        for message in context.iter("message"):
            translation = message.find("translation")
            translated = False
            if translation is not None and translation.get("type") is None:
                # One text, or one per plural form.
                forms = translation.findall("numerusform") or [translation]
                translated = all((form.text or "").strip() for form in forms)
            key = (name, message.findtext("source", ""), message.findtext("comment", ""))
            found[key] = translated
    return found


def problems(in_sources, committed):
    """What keeps committed from being in step with in_sources, one line each."""
    said = lambda key: "%s: %s" % (key[0], key[1])
    lines = ["missing: " + said(k) for k in in_sources if k not in committed]
    lines += ["untranslated: " + said(k) for k in in_sources if k in committed and not committed[k]]
    lines += ["no longer in the sources: " + said(k) for k in committed if k not in in_sources]
    return lines


def unread_folders(root):
    """Files marking engine texts in a folder update-translations.sh does not scan."""
    script = open(os.path.join(root, "scripts", "update-translations.sh")).read()
    scanned = set(re.search(r"^sources=\(([^)]*)\)", script, re.M).group(1).split())
    marked = re.compile(r'^(?!\s*//).*QT_TRANSLATE_NOOP\("Engine", "', re.M)
    lines = []
    for top in sorted(os.listdir(root)):
        if top in scanned or top.startswith((".", "build")) or top in ("tests", "bench"):
            continue
        for folder, _, files in os.walk(os.path.join(root, top)):
            for name in sorted(files):
                if name.endswith((".cpp", ".h")):
                    path = os.path.join(folder, name)
                    with open(path, encoding="utf-8", errors="replace") as source:
                        if marked.search(source.read()):
                            lines.append("marked in a folder lupdate does not read: " + os.path.relpath(path, root))
    return lines


def check_the_check():
    """problems() names a text that is missing, unfinished or stale."""
    sources = {("Engine", "a", ""): True, ("Engine", "b", ""): True, ("Engine", "c", ""): True}
    committed = {("Engine", "a", ""): True, ("Engine", "b", ""): False, ("Engine", "d", ""): True}
    expected = ["missing: Engine: c", "untranslated: Engine: b", "no longer in the sources: Engine: d"]
    found = problems(sources, committed)
    if found != expected:
        sys.exit("translations_check: the check itself is wrong: %s" % found)


def main():
    lupdate, root = sys.argv[1], os.path.abspath(sys.argv[2])
    check_the_check()
    folder = os.path.join(root, "translations")
    languages = sorted(f[len("vestrel_"):-3] for f in os.listdir(folder)
                       if f.startswith("vestrel_") and f.endswith(".ts"))
    if not languages:
        sys.exit("translations_check: no translations/vestrel_*.ts")
    unread = unread_folders(root)
    for line in unread:
        print(line)
    failed = bool(unread)
    with tempfile.TemporaryDirectory() as scratch:
        environment = dict(os.environ, LUPDATE=lupdate, VESTREL_TS_DIR=scratch)
        run = subprocess.run([os.path.join(root, "scripts", "update-translations.sh")] + languages,
                             env=environment, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        if run.returncode != 0:
            sys.exit("translations_check: lupdate failed:\n" + run.stdout)
        for language in languages:
            name = "vestrel_%s.ts" % language
            lines = problems(messages(os.path.join(scratch, name)), messages(os.path.join(folder, name)))
            for line in lines:
                print("%s: %s" % (name, line))
            failed = failed or bool(lines)
    if failed:
        print("Run scripts/update-translations.sh and translate what it marks unfinished.")
        return 1
    print("translations in step with the sources: %s" % ", ".join(languages))
    return 0


if __name__ == "__main__":
    sys.exit(main())
