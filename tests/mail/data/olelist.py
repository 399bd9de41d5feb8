#!/usr/bin/python3
# Lists a compound file as an independent reader sees it, strictly (any format defect fails):
# one line per element, "<path> storage" or "<path> stream <hex bytes>", in sorted path order.
import sys
import olefile

ole = olefile.OleFileIO(sys.argv[1], raise_defects=olefile.DEFECT_INCORRECT)
for path in sorted(ole.listdir(streams=True, storages=True)):
    name = '/'.join(path)
    if ole.get_type(path) == olefile.STGTY_STORAGE:
        print(name, 'storage')
    else:
        print(name, 'stream', ole.openstream(path).read().hex())
