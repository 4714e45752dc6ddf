# Shared by the benchmark scripts that start the real program on real trees (sourced, not run).
# Expects: top (the repository), build (the Windows build folder, with first_image_probe.exe built),
# trees (where trees are made), count (names per tree), and Wine's environment exported.
# Gives: windows_path, under_display, $images (five 640 x 480 one-colour JPEGs, image_1..5.jpg) and
# make_real_tree DIR first|deep|sparse (see run-first-image-bench for the shapes).

windows_path() { printf 'Z:%s' "${1//\//\\}"; }
# xvfb-run's display closing under the exiting Wine process is reported on stderr; drop that line.
under_display() {
    xvfb-run -a -s "-screen 0 1280x1024x24" "$@" 2> >(grep -v '^X connection to .* broken' >&2)
}

mkdir -p "$trees"
images="$trees/first-image-jpegs"
if [[ ! -f "$images/image_5.jpg" ]]; then
    rm -rf "$images"
    mkdir -p "$images"
    under_display wine "$build/first_image_probe.exe" make-images "$(windows_path "$images")" 5 640 480
fi

# make_tree.sh DIR, then the real images; redone whenever make_tree.sh has remade DIR.
make_real_tree() {
    local dir="$1" shape="$2"
    local base; base="$(basename "$dir")"
    local made="$trees/.$base.done" real="$trees/.$base.real"
    echo "making $dir ..."
    "$top/bench/make_tree.sh" "$dir" "$count" "${shape/sparse/deep}"
    if [[ -f "$real" && "$real" -nt "$made" ]]; then return; fi
    local folders
    case "$shape" in
        first)  folders=("$dir") ; keep=5 ;;
        deep)   folders=("$dir"/a*/b*/c*) ; keep=1 ;;
        sparse) folders=("$dir"/a*/b*/c*) ; keep=0 ;;
    esac
    # In each folder, in name order: the first $keep files become real images (hard links to the
    # probe's images, in turn), the rest are renamed to .txt.
    printf '%s\0' "${folders[@]}" | perl -0 -e '
        my ($images, $keep) = @ARGV; my $n = 0;
        while (my $folder = <STDIN>) {
            chomp $folder;
            opendir(my $d, $folder) or die "$folder: $!";
            my @files = sort grep { /\.jpg$/ && -f "$folder/$_" } readdir $d;
            closedir $d;
            for my $i (0 .. $#files) {
                my $path = "$folder/$files[$i]";
                if ($i < $keep) {
                    unlink $path or die "$path: $!";
                    link("$images/image_" . ($n++ % 5 + 1) . ".jpg", $path) or die "$path: $!";
                } else {
                    (my $text = $path) =~ s/\.jpg$/.txt/;
                    rename($path, $text) or die "$path: $!";
                }
            }
        }' "$images" "$keep"
    if [[ "$shape" == sparse ]]; then
        mkdir -p "$dir/a01/b01/c01/last"
        for i in 1 2 3 4 5; do ln -f "$images/image_$i.jpg" "$dir/a01/b01/c01/last/IMG_0000$i.jpg"; done
    fi
    touch "$real"
}
