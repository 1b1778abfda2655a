#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""check-translations.py LUPDATE SOURCE[,SOURCE...]=TS[,TS...] ...

Each group of catalogues against the texts lupdate finds in their sources now: every text translated (no unfinished,
vanished or obsolete entry, none empty, none missing, none left over), with the same %1 placeholders and, where the
text has a keyboard accelerator (&File), one in the translation too. Prints the counts per catalogue."""
import os
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET


def messages(path):
    found = {}
    for context in ET.parse(path).getroot().iter('context'):
        for message in context.iter('message'):
            key = (context.findtext('name'), message.findtext('source'), message.findtext('comment'))
            found[key] = message.find('translation')
    return found


def accelerators(text):
    return len(re.findall(r'&(?!&)\w', text.replace('&&', '')))


def main(lupdate, groups):
    failures = []
    for group in groups:
        sources, catalogues = (part.split(',') for part in group.split('='))
        with tempfile.TemporaryDirectory() as scratch:
            fresh = os.path.join(scratch, 'fresh.ts')
            subprocess.run([lupdate, '-silent', '-locations', 'none', *sources, '-ts', fresh], check=True)
            wanted = messages(fresh)
        for catalogue in catalogues:
            name, shipped = os.path.basename(catalogue), messages(catalogue)
            failures += [f'{name}: missing {key[:2]}' for key in wanted.keys() - shipped.keys()]
            failures += [f'{name}: left over {key[:2]}' for key in shipped.keys() - wanted.keys()]
            done = 0
            for key, translation in shipped.items():
                text = translation.text or ''
                if translation.get('type') or not text.strip():
                    failures.append(f'{name}: not translated {key[:2]}')
                elif sorted(re.findall(r'%\d', text)) != sorted(re.findall(r'%\d', key[1])):
                    failures.append(f'{name}: other placeholders in {text!r}')
                elif accelerators(key[1]) != accelerators(text):
                    failures.append(f'{name}: accelerator lost in {text!r}')
                else:
                    done += 1
            print(f'{name}: {done} of {len(wanted)} texts translated')
    print('\n'.join(failures) or 'all complete')
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1], sys.argv[2:]))
