#!/usr/bin/env bash
# Makes a folder tree of empty image files for the scan benchmarks (the scan reads names only).
#
#   make_tree.sh DIR [COUNT] [SHAPE] [IMAGE]
#
# COUNT image files (default 100000) spread evenly over 2000 folders; empty files, or with IMAGE
# each a hard link to that picture (for the benchmarks that decode what they find). SHAPE:
#   first  (default) the root holds the first block of images, then 40 top folders x 50 subfolders
#          hold the rest (the last subfolder stays empty), so the first folder scanned has images;
#   deep   10 x 10 x 20 folders, images only in the 2000 folders of the third level: the levels
#          above hold folders only.
# DIR is removed and made anew. A file DIR/../<name>.done records a finished tree, so an unchanged
# request is not rebuilt.
set -euo pipefail

dir="${1:?usage: make_tree.sh DIR [COUNT] [first|deep] [IMAGE]}"
count="${2:-100000}"
shape="${3:-first}"
image="${4:-}"
case "$count" in ''|*[!0-9]*) echo "make_tree.sh: COUNT must be a number" >&2; exit 2 ;; esac
(( count >= 1 )) || { echo "make_tree.sh: COUNT must be at least 1" >&2; exit 2; }
if [[ -n "$image" ]]; then
    [[ -f "$image" ]] || { echo "make_tree.sh: no picture $image" >&2; exit 2; }
    image="$(cd "$(dirname "$image")" && pwd)/$(basename "$image")"
fi

# Absolute paths: the tree is made from inside DIR.
mkdir -p "$(dirname "$dir")"
dir="$(cd "$(dirname "$dir")" && pwd)/$(basename "$dir")"
marker="$(dirname "$dir")/.$(basename "$dir").done"
request="$count $shape${image:+ $image}"
if [[ -d "$dir" && -f "$marker" && "$(cat "$marker")" == "$request" ]]; then
    exit 0
fi
rm -rf "$dir" "$marker"
mkdir -p "$dir"
cd "$dir"

case "$shape" in
    first)
        mkdir -p d{01..40}/s{01..50}
        # Folders that receive images, in the order the scan reaches them.
        folders() {
            echo .
            for d in {01..40}; do for s in {01..50}; do [[ $d$s == 4050 ]] || echo "d$d/s$s"; done; done
        }
        ;;
    deep)
        mkdir -p a{01..10}/b{01..10}/c{01..20}
        folders() { for a in {01..10}; do for b in {01..10}; do for c in {01..20}; do echo "a$a/b$b/c$c"; done; done; done; }
        ;;
    *) echo "make_tree.sh: SHAPE is first or deep" >&2; exit 2 ;;
esac

# File k (1-based) goes to folder floor((k-1) * F / COUNT), which spreads COUNT files over F folders.
folders | awk -v n="$count" '
    { folder[NR - 1] = $0 }
    END {
        f = NR
        for (k = 1; k <= n; ++k) printf "%s/IMG_%05d.jpg\n", folder[int((k - 1) * f / n)], k
    }' > "$marker.list"
if [[ -n "$image" ]]; then
    # A file takes at most some 65,000 links: each block of 50,000 links to a copy of its own.
    perl -MFile::Copy -e '$image = shift; $src = $image; $n = 0;
        while (<STDIN>) {
            chomp;
            if ($n++ % 50000 == 0 && $n > 1) { $src = "$image." . int($n / 50000); copy($image, $src) or die "make_tree.sh: $src: $!\n" }
            link($src, $_) or die "make_tree.sh: $_: $!\n";
        }' "$image" < "$marker.list"
else
    xargs touch < "$marker.list"
fi
rm -f "$marker.list"

echo "$request" > "$marker"
