#!/usr/bin/env python3
"""Reads the SIO-Label field of each .eml given, as a mail reader of its own would: Python's
email package joins RFC 2231 continuations and decodes the extended form. Prints, for each
message, its file, marking, fgcolor, bgcolor and type on one line separated by tabs, and
writes its decoded label next to it as FILE.label. Exits 1 when a message has no field
or more than one, a header line passes 78 characters, or a parameter is missing."""
import base64
import email
import email.utils
import sys

status = 0
for path in sys.argv[1:]:
    data = open(path, 'rb').read()
    head = data.split(b'\r\n\r\n', 1)[0]
    if any(len(line) > 78 for line in head.split(b'\r\n')):
        print(f'{path}: a header line passes 78 characters', file=sys.stderr)
        status = 1
    message = email.message_from_bytes(data)
    fields = message.get_all('SIO-Label') or []
    if len(fields) != 1:
        print(f'{path}: {len(fields)} SIO-Label fields', file=sys.stderr)
        status = 1
        continue
    values = {}
    for name in ('marking', 'fgcolor', 'bgcolor', 'type', 'label'):
        value = message.get_param(name, header='SIO-Label')
        if value is None:
            print(f'{path}: no {name}', file=sys.stderr)
            status = 1
            value = ''
        values[name] = email.utils.collapse_rfc2231_value(value)
    with open(path + '.label', 'wb') as out:
        out.write(base64.b64decode(values['label'], validate=True))
    print('\t'.join([path.rsplit('/', 1)[-1]] + [values[n] for n in ('marking', 'fgcolor', 'bgcolor', 'type')]))
sys.exit(status)
