#!/usr/bin/perl
# Makes a mail store with OLE::Storage_Lite (Debian: libole-storage-lite-perl), once; the file is
# committed beside this script and read by the mail tests. Names are given as UTF-16LE.
use strict;
use warnings;
use OLE::Storage_Lite;

sub name { my $s = shift; $s =~ s/(.)/$1\0/g; return $s; }
sub astr { my $s = shift; return length($s) < 255 ? chr(length $s) . $s : "\xff" . pack('v', length $s) . $s; }
sub record {
    my ($subject, $from, $to, $sent, $received, $prio, $status, $notify, $folder, $id, $body) = @_;
    return join('', map { astr($_) } ($subject, $from, $to, '', $sent, $received))
         . pack('l<l<l<', $prio, $status, $notify) . astr($folder) . astr($id) . astr($body);
}
my $pattern = join('', map { chr(($_ * 7) % 251) } 0 .. 9999);
my @t = (0, 0, 0, 1, 0, 100);
my $msg = OLE::Storage_Lite::PPS::File->new(name('Eve200701021200'),
    record('Lite', 'Eve', 'Bob', '2007/01/02:1200', '2007/01/02:1201', 0, 0, 0, 'Inbox', 'Eve200701021200', "Body\r\n"));
my $inbox = OLE::Storage_Lite::PPS::Dir->new(name('Inbox'), \@t, \@t, [$msg]);
my $outbox = OLE::Storage_Lite::PPS::Dir->new(name('Outbox'), \@t, \@t, []);
my $books = OLE::Storage_Lite::PPS::Dir->new(name('AddressBooks'), \@t, \@t,
    [OLE::Storage_Lite::PPS::File->new(name('Default'), '')]);
my $big = OLE::Storage_Lite::PPS::File->new(name('Pattern10000'), $pattern);
my $list = OLE::Storage_Lite::PPS::File->new(name('StorageFolders'), pack('v', 2) . astr('Inbox') . astr('Outbox'));
my $contents = OLE::Storage_Lite::PPS::File->new(name('Contents'), '');
my $root = OLE::Storage_Lite::PPS::Root->new(\@t, \@t, [$contents, $list, $books, $inbox, $outbox, $big]);
$root->save('storage-lite.nvm') or die "cannot write";
