# Sourced by the tests that run the README's examples as they stand: readme_block NAME prints
# the code of the fenced block that follows the marker <!-- NAME --> in $src/README.md.
readme_block() {
    sed -n "/<!-- $1 -->/,/^\`\`\`\$/p" "$src/README.md" | sed '1,2d;$d'
}
