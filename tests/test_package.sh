#!/usr/bin/env bash
# The .deb as a clerk's machine gets it: a tree configured for installing
# (KORVANE_PACKAGE) is built, CPack makes the package, dpkg unpacks it into a
# temporary root, and the programs are run from there.
#
#   test_package.sh SOURCE_DIR BUILD_DIR
# BUILD_DIR is the tree the tests run from: the package is built beside it
# (BUILD_DIR/package, kept so a second run builds only what changed), and
# its release generator makes the release the installed programs load.
set -euo pipefail
src="$1"
build="$2"
pkg="$build/package"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

cmake -S "$src" -B "$pkg" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_PACKAGE=ON -DBUILD_TESTING=OFF \
  -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build "$pkg" -j 2 >/dev/null
rm -f "$pkg"/korvane_*.deb
(cd "$pkg" && cpack -G DEB >/dev/null)
deb="$(ls "$pkg"/korvane_*.deb)"

# Its dependencies are Debian's packages: the libraries the programs link,
# the embedded engine they load, the window system's plugins.
depends="$(dpkg-deb -f "$deb" Depends)"
for p in libqt6widgets6 libqt6printsupport6 libfbclient2 firebird3.0-server-core qt6-qpa-plugins; do
  [[ "$depends" == *"$p"* ]] || fail "Depends lacks $p: $depends"
done

root="$work/root"
dpkg -x "$deb" "$root"
for f in usr/bin/korvane usr/bin/korvane-cli usr/bin/korvane-update usr/bin/korvane-createdb \
         usr/share/korvane/RELATORIOS/TabelaGeral.rav usr/share/korvane/RELATORIOS/TabelaAnalitica.rav \
         usr/share/korvane/RELATORIOS/ListaCodigos.rav \
         usr/share/applications/korvane.desktop usr/share/icons/hicolor/128x128/apps/korvane.png \
         usr/share/man/man1/korvane-cli.1 usr/share/korvane/KORVANE_VAZIO.GDB; do
  [ -e "$root/$f" ] || fail "the package lacks /$f"
done
desktop-file-validate "$root/usr/share/applications/korvane.desktop" || fail "the desktop entry is not valid"
[ "$(head -c 8 "$root/usr/share/icons/hicolor/128x128/apps/korvane.png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] \
  || fail "the icon is not a PNG"
man_text="$(MANWIDTH=100 man -l "$root/usr/share/man/man1/korvane-cli.1" 2>&1)"
[[ "$man_text" == *"korvane-cli - consulta a Tabela Unificada"* ]] || fail "the man page does not render: $man_text"

cli="$root/usr/bin/korvane-cli"
# An installed program's database is the user's own.
help="$(HOME=/home/clerk "$cli" --help)"
[[ "$help" == *"uso: korvane-cli"* ]] || fail "--help: $help"
[[ "$help" == *"/home/clerk/.local/share/korvane/KORVANE.GDB"* ]] || fail "--help names another default database: $help"

# A release loaded by the installed tools, and a procedure of it shown.
release="$work/release"
"$build/korvane-genrelease" --seed 7 --scale 0.02 "$release" >/dev/null
db="$work/KORVANE.GDB"
"$cli" --database "$db" createdb "$release" >/dev/null
# Made as a copy of the installed template: the header keeps its date.
made_on() { fbstat -h "$1" | sed -n 's/^[[:space:]]*Creation date[[:space:]]*//p'; }
[ "$(made_on "$db")" = "$(made_on "$root/usr/share/korvane/KORVANE_VAZIO.GDB")" ] \
  || fail "createdb did not start from the installed template"
"$root/usr/bin/korvane-update" --database "$db" "$release" >/dev/null 2>&1 || fail "the installed korvane-update failed"
code="$(head -c 10 "$release/tb_procedimento.txt")"
shown="$("$cli" --database "$db" show "$code")"
grep -qE "^Código: +$code\$" <<<"$shown" || fail "show $code: $shown"
grep -qE "^Descrição: +[A-Z]" <<<"$shown" || fail "show $code has no name: $shown"
grep -q "^Cid10 do Proc\." <<<"$shown" || fail "show $code has no related lists: $shown"

# With a release shipped, the first consultation of a user makes the
# user's database from it.
shipped="$(ls "$root"/usr/share/korvane/*.zip 2>/dev/null | head -n 1 || true)"
if [ -n "$shipped" ]; then
  home="$work/home"
  mkdir -p "$home"
  first="$(HOME="$home" "$cli" show 0301010072)" || fail "the first use with the shipped release failed"
  [ -f "$home/.local/share/korvane/KORVANE.GDB" ] || fail "the first use made no database"
  [[ "$first" == *"0301010072"* ]] || fail "show 0301010072 on the shipped release: $first"
else
  echo "no release ships in this tree: the first use is not tried"
fi
echo "package: $(basename "$deb") installs and runs"
