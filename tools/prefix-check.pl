#!/usr/bin/perl
# Lists declarations whose name's type prefix says another type than the
# declared one: a size_t named u32Pos, a long named s32Pid, a bool named
# s32Done, an int32_t function named vRead, a void function named bSave.
# Names without a type prefix (size_t length) are left alone.
#
#   tools/prefix-check.pl [-c] [folder or file...]   (default: the source tree)
#
# One line per disagreement (path:line: type name), or with -c only their
# number; exits 1 when there is any.
use strict;
use warnings;
use File::Find;
use FindBin;

chdir "$FindBin::Bin/.." or die "prefix-check: no source tree\n";
my $countOnly = @ARGV && $ARGV[0] eq '-c' ? shift @ARGV : 0;
my @roots = @ARGV ? @ARGV : qw(app bench cli device files installer pkgtool platform tests ui);

# The prefixes each type's names may have. long is 32 bits on Windows and
# 64 on Linux: no width is true of it on both.
my %allowed = (
    'size_t' => [], 'ssize_t' => [], 'long' => [], 'unsigned long' => [],
    'bool' => ['b'],
    'int8_t' => ['s8'], 'uint8_t' => ['u8'], 'unsigned char' => ['u8'],
    'int16_t' => ['s16'], 'uint16_t' => ['u16'],
    'int32_t' => ['s32', 'b'], 'int' => ['s32', 'b'],
    'uint32_t' => ['u32', 'b'], 'unsigned' => ['u32'], 'unsigned int' => ['u32'],
    'int64_t' => ['s64'], 'long long' => ['s64'],
    'uint64_t' => ['u64'], 'unsigned long long' => ['u64'],
);
my $types = join '|', map { s/ /\\s+/gr } sort { length($b) <=> length($a) } keys %allowed;
my $prefixes = qr/s8|u8|s16|u16|s32|u32|s64|u64|b|v/;

# What is wrong with the declaration, or '' when nothing is.
sub sDisagreement {
    my ($type, $stars, $name, $isFunction) = @_;
    $type =~ s/\s+/ /g;
    my $bare = $name =~ s/^g(?=[a-z]+\d*_)//r;   # a global: gs32_Count
    $bare =~ s/^p// for 1 .. length $stars;
    return '' unless $bare =~ /^($prefixes)(?:[A-Z]|_[A-Za-z])/;
    my $given = $1;
    return '' if grep { $_ eq $given } @{ $allowed{$type} };
    return "$type $stars$name" . ($isFunction ? '()' : '');
}

# The further names of "int32_t a = f(x, y), *pb;": [stars, name] each.
sub lstMoreNames {
    my ($rest) = @_;
    $rest =~ s/;.*//;
    1 while $rest =~ s/\([^()]*\)|\{[^{}]*\}|\[[^\[\]]*\]//g;
    $rest =~ s/[(\[{].*//;   # a call or a list that goes on below
    my @names;
    while ($rest =~ /,\s*(\**)\s*([A-Za-z_]\w*)\s*(?=[=,\[]|$)/g) {
        push @names, [$1, $2];
    }
    return @names;
}

sub vCheckFile {
    my ($path) = @_;
    open(my $in, '<', $path) or return 0;
    my $text = do { local $/; <$in> };
    close $in;
    # Comments, strings and characters out; the lines keep their numbers.
    $text =~ s{/\*.*?\*/}{ $& =~ s/[^\n]//gr }gse;
    $text =~ s{//[^\n]*}{}g;
    $text =~ s{"(?:\\.|[^"\\\n])*"}{""}g;
    $text =~ s{'(?:\\.|[^'\\\n])*'}{0}g;
    my @lines = split /\n/, $text, -1;
    my $found = 0;
    for my $i (0 .. $#lines) {
        my $line = $lines[$i];
        next if $line =~ /^\s*#/;
        my @what;
        while ($line =~ /(^|[\s(,;{<])(?:(?:const|static|inline|extern)\s+)*
                         ($types)\b(\s*[*&][\s*&]*|\s+)(?:const\s+)?
                         ([A-Za-z_]\w*)\s*(?=([;,=)\[(:{]|$))/gx) {
            my ($before, $type, $stars, $name, $next, $rest) = ($1, $2, $3, $4, $5 // '', $');
            $stars =~ s/[\s&]//g;
            push @what, sDisagreement($type, $stars, $name, $next eq '(');
            push @what, map { sDisagreement($type, @$_, 0) } lstMoreNames($rest)
                if $before !~ /[(,]/ && $next =~ /[=,\[]/;
        }
        while ($line =~ /(?:^|[\s;{])void\s+((?:s8|u8|s16|u16|s32|u32|s64|u64|b)[A-Z]\w*)\s*\(/g) {
            push @what, "void $1()";
        }
        for my $what (grep { $_ ne '' } @what) {
            print "$path:", $i + 1, ": $what\n" unless $countOnly;
            $found++;
        }
    }
    return $found;
}

my @files;
find({ no_chdir => 1, preprocess => sub { sort @_ }, wanted => sub {
           if (-d $_ && m{(^|/)build[^/]*$}) {
               $File::Find::prune = 1;
               return;
           }
           push @files, $_ if -f $_ && /\.(c|cpp|h)$/;
       } }, grep { -e } @roots);
my $count = 0;
$count += vCheckFile($_) for @files;
print "$count\n" if $countOnly;
exit($count ? 1 : 0);
