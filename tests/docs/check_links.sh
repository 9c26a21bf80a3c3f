#!/usr/bin/env bash
# Checks the relative links of README.md and docs/*.md: every linked file
# exists, and every "#anchor" names a heading of its file (anchors as the
# usual Markdown renderers make them: lower case, punctuation dropped, blanks
# turned into hyphens).
#   check_links.sh [SOURCE_TREE]
set -uo pipefail

root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
errors=0

anchors() {  # file: one anchor per heading
    sed -n 's/^#\{1,6\} \(.*\)/\1/p' "$1" |
        tr 'A-Z' 'a-z' | sed -E 's/[^a-z0-9 _-]//g; s/ /-/g'
}

for file in "$root/README.md" "$root"/docs/*.md; do
    dir=$(dirname "$file")
    name=${file#"$root"/}
    # Links outside code: text in backticks and fenced blocks is left out.
    links=$(awk '/^```/ { code = !code; next } !code' "$file" | sed 's/`[^`]*`//g' |
            grep -oE '\]\([^)]+\)' | sed -E 's/^\]\(//; s/\)$//')
    for link in $links; do
        case "$link" in
            http://*|https://*|mailto:*) continue ;;
        esac
        target=${link%%#*}
        anchor=""
        [[ $link == *"#"* ]] && anchor=${link#*#}
        target_file=$file
        if [ -n "$target" ]; then
            target_file=$dir/$target
            if [ ! -e "$target_file" ]; then
                echo "check_links: $name links to $target, which does not exist"
                errors=$((errors + 1))
                continue
            fi
        fi
        if [ -n "$anchor" ] && ! anchors "$target_file" | grep -qxF -- "$anchor"; then
            echo "check_links: $name links to ${target:-itself}#$anchor: no such heading"
            errors=$((errors + 1))
        fi
    done
done

if [ $errors -gt 0 ]; then
    echo "check_links: $errors broken link(s)"
    exit 1
fi
echo "check_links: every relative link of README.md and docs/ leads somewhere"
