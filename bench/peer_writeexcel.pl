#!/usr/bin/perl
# Peer benchmark: Spreadsheet::WriteExcel writes the formatted inventory sheet.
# Usage: peer_writeexcel.pl ITEMS OUT.xls
use strict;
use warnings;
use Spreadsheet::WriteExcel;

my ($n, $out) = @ARGV;
my @widths = (13.57, 34.86, 35, 10.71, 10.57, 10.57, 10.71, 13.57, 15);
my @captions = ('Inventory ID', 'Name', 'Description', 'Unit Price', 'Quantity in Stock',
                'Reorder Level', 'Reorder Time in Days', 'Quantity in Reorder', 'Discontinued?');
my @sample = (['144455', 'Hammer', 'Building tool', '46.99', '14', '2', '6', '10', 'Yes'],
              ['185532', 'Nails', 'fastening parts', '6.99', '754', '600', '2', '1500', 'No'],
              ['185577', 'Screws', 'fastening parts', '10.99', '898', '500', '1', '1000', 'No']);

my $book = Spreadsheet::WriteExcel->new($out) or die "cannot write $out: $!";
$book->set_custom_color(40, 180, 195, 175);
$book->set_custom_color(41, 120, 145, 110);
$book->set_custom_color(42, 240, 235, 220);
$book->set_custom_color(43, 175, 180, 135);
my $sheet = $book->add_worksheet('Inventory List');
$sheet->set_column($_, $_, $widths[$_]) for 0 .. 8;
$sheet->set_row(0, 43.5);
$sheet->set_row(1, 45);

sub fmt {
    my (%o) = @_;
    return $book->add_format(font => 'Arial', size => 10, valign => 'vcenter', %o);
}
$sheet->write(0, 0, 'Inventory List', fmt(size => 14, bold => 1, bg_color => 40, pattern => 1));
$sheet->write_blank(0, $_, fmt(bg_color => 40, pattern => 1)) for 1 .. 8;
for my $c (0 .. 8) {
    $sheet->write_string(1, $c, $captions[$c],
        fmt(font => 'Tahoma', bold => 1, bg_color => 40, pattern => 1, align => 'center', text_wrap => 1,
            top => 2, bottom => 2, left => ($c == 0 ? 2 : 1), right => ($c == 8 ? 2 : 1), border_color => 41));
}
my (%cache);
for my $i (1 .. $n) {
    my $r = $i + 1;
    $sheet->set_row($r, 15);
    my $item = $sample[($i - 1) % 3];
    for my $c (0 .. 8) {
        my $key = join(',', $i % 2, $i == $n, $c);
        $cache{$key} //= fmt(left => ($c == 0 ? 2 : 1), right => ($c == 8 ? 2 : 1), border_color => 43,
                             ($i % 2 == 0 ? (bg_color => 42, pattern => 1) : ()),
                             ($i == $n ? (bottom => 2) : ()));
        $sheet->write($r, $c, $c == 0 ? $i : $item->[$c], $cache{$key});
    }
}
$sheet->set_landscape();
$sheet->set_paper(9);
$sheet->fit_to_pages(1, 1);
$sheet->set_margin_left(0.7);
$sheet->set_margin_right(0.7);
$sheet->set_margin_top(0.5);
$sheet->set_margin_bottom(0.5);
$sheet->set_header('', 0);
$sheet->set_footer('', 0);
$sheet->print_area(0, 0, $n + 1, 8);
$book->close() or die "cannot close $out";
