#!/usr/bin/env bash
# Fails on a plain open(), fopen(), unlink() or rename() call in transfer/,
# catalogue/, host/ and cli/: opens below a drive root go through
# platform/beneath.h. Comments and string literals are not read; member calls
# (file.open), other names (openat, OpenAtBeneath) and calls qualified by a
# namespace of ours (win32::fopen) are not plain. std::fopen and ::rename are.
# scripts/plain-io-allowed.txt lists the calls still allowed, each with its reason:
#   <file> <call> <reason>
set -euo pipefail
cd "$(dirname "$0")/.."
allowed=scripts/plain-io-allowed.txt
# shellcheck disable=SC2016
find transfer catalogue host cli -type f \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z |
  xargs -0 perl -e '
    my %allowed;
    open(my $list, "<", shift @ARGV) or die "no allow-list\n";
    while (<$list>) {
        next if /^\s*(#|$)/;
        my ($file, $call, $reason) = split " ", $_, 3;
        die "plain-io-allowed.txt:$.: an entry needs a file, a call and a reason\n" unless $reason && $reason =~ /\S/;
        $allowed{"$file $call"} = 1;
    }
    my $found = 0;
    for my $file (@ARGV) {
        open(my $in, "<", $file) or die "$file: $!\n";
        local $/;
        my $text = <$in>;
        # Blank out comments and literals, keeping the line breaks for the numbers.
        $text =~ s{//[^\n]*|/\*.*?\*/|"(?:\\.|[^"\\\n])*"|\x27(?:\\.|[^\x27\\\n])*\x27}{ my $m = $&; $m =~ s/[^\n]/ /g; $m }gse;
        my $line = 0;
        for my $code (split /\n/, $text, -1) {
            ++$line;
            while ($code =~ /(?<![\w.>:])((?:std)?::)?\b(open|fopen|unlink|rename)\s*\(/g) {
                next if !defined $1 && substr($code, 0, $-[0]) =~ /(\w)::\s*$/;
                next if $allowed{"$file $2"};
                print STDERR "$file:$line: plain $2(): open below a drive root through platform/beneath.h\n";
                $found = 1;
            }
        }
    }
    exit $found;
  ' "$allowed" || {
  echo "check-plain-io.sh: plain file calls found (see above; $allowed holds the allowed ones)" >&2
  exit 1
}
