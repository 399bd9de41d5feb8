#!/usr/bin/python3
# Makes mail stores with libgsf's compound-file writer (Debian: gir1.2-gsf-1, python3-gi), once;
# the files are committed beside this script and read by the mail tests.
#   gsf-v3.nvm: 512-byte sectors; gsf-v4.nvm: 4096-byte sectors.
import struct, sys
import gi
gi.require_version('Gsf', '1')
from gi.repository import Gsf

def astr(s):
    b = s.encode('cp1252')
    if len(b) < 255:
        return bytes([len(b)]) + b
    return b'\xff' + struct.pack('<H', len(b)) + b

def record(subject, frm, to, sent, received, prio, status, notify, folder, mid, body):
    out = b''.join(astr(x) for x in (subject, frm, to, '', sent, received))
    out += struct.pack('<iii', prio, status, notify)
    return out + astr(folder) + astr(mid) + astr(body)

def pattern(n):
    return bytes((i * 7) % 251 for i in range(n))

LONG_BODY = ''.join(chr(ord('a') + (i % 26)) for i in range(5000))
INBOX = [
    ('Hello', 'Ann', 'Bob', '2006/12/06:1630', '2006/12/06:1631', 0, 0, 0, 'Inbox', 'Bob200612061630', 'Hi Bob\r\n'),
    ('Long', 'Cid', 'Bob Dee', '2006/12/07:0905', '2006/12/07:0906', 1, 1, 1, 'Inbox', 'Bob200612070905', LONG_BODY),
]

def make(path, big_block):
    sink = Gsf.OutputStdio.new(path)
    root = Gsf.OutfileMSOle.new_full(sink, big_block, 64)
    def stream(parent, name, data):
        s = parent.new_child(name, False)
        if data:
            s.write(data)
        s.close()
    stream(root, 'Contents', b'')
    stream(root, 'StorageFolders', struct.pack('<H', 3) + astr('Inbox') + astr('Outbox') + astr('Archive'))
    books = root.new_child('AddressBooks', True)
    stream(books, 'Default', b'')
    books.close()
    inbox = root.new_child('Inbox', True)
    for m in INBOX:
        stream(inbox, m[9], record(*m, ))
    inbox.close()
    root.new_child('Outbox', True).close()
    archive = root.new_child('Archive', True)
    stream(archive, 'Pattern70000', pattern(70000))
    stream(archive, 'Pattern4095', pattern(4095))
    stream(archive, 'Pattern4096', pattern(4096))
    archive.close()
    root.close()

make('gsf-v3.nvm', 512)
make('gsf-v4.nvm', 4096)
