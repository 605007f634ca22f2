#!/usr/bin/env bash
# Makes the Windows packages of a cross build: the portable folder and its zip, and the NSIS
# installer, both in OUT_DIR. Run by the build's windows_packages target:
#   make-packages.sh OUT_DIR VERSION QT_PREFIX SEARCH_DIRS PROGRAM.exe...
# SEARCH_DIRS is a ;-separated list of folders that hold DLLs to ship (Qt's bin, Qwt's, the MinGW
# run-time). The DLLs shipped are those the programs and plugins import, followed recursively:
# a DLL found in none of those folders is the system's and stays out.
set -euo pipefail

out_dir=$1
version=$2
qt_prefix=$3
IFS=';' read -r -a search_dirs <<<"$4"
shift 4
programs=("$@")

here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump}
strip=${STRIP:-x86_64-w64-mingw32-strip}

name=corvale-$version-win64
stage=$out_dir/$name
rm -rf "$stage"
mkdir -p "$stage"

# What the program loads at run time beside the DLLs it links: the window-system platform, the
# Windows styles, and the SVG icon engine and image format for the port-list and refresh icons.
plugins=(platforms/qwindows.dll styles/qwindowsvistastyle.dll iconengines/qsvgicon.dll
         imageformats/qsvg.dll)

ship() { # SOURCE DESTINATION: copied without symbols
    mkdir -p "$(dirname "$2")"
    cp "$1" "$2"
    "$strip" --strip-unneeded "$2"
}

for program in "${programs[@]}"; do
    ship "$program" "$stage/$(basename "$program")"
done
for plugin in "${plugins[@]}"; do
    ship "$qt_prefix/plugins/$plugin" "$stage/$plugin"
done

# The DLLs imported by everything shipped, and by those DLLs in turn.
declare -A shipped=()
system_dlls=()
queue=("$stage"/*.exe)
for plugin in "${plugins[@]}"; do queue+=("$stage/$plugin"); done
while [ ${#queue[@]} -gt 0 ]; do
    binary=${queue[0]}
    queue=("${queue[@]:1}")
    while read -r dll; do
        key=${dll,,}
        [ -n "${shipped[$key]:-}" ] && continue
        shipped[$key]=1
        found=""
        for dir in "${search_dirs[@]}"; do
            found=$(find "$dir" -maxdepth 1 -iname "$dll" -print -quit 2>/dev/null)
            [ -n "$found" ] && break
        done
        if [ -z "$found" ]; then
            system_dlls+=("$dll")
            continue
        fi
        ship "$found" "$stage/$(basename "$found")"
        queue+=("$stage/$(basename "$found")")
    done < <("$objdump" -p "$binary" | sed -n 's/^[[:space:]]*DLL Name: //p')
done
echo "system DLLs, not shipped: $(printf '%s\n' "${system_dlls[@]}" | sort -fu | tr '\n' ' ')"

# The licences of what is shipped.
licences=$stage/licences
mkdir -p "$licences"
cp "$source_dir/LICENSE" "$licences/Corvale.txt"
if compgen -G "$stage/Qt6*.dll" >/dev/null; then
    # The LGPL 3 is the GPL 3 with extra permissions: both texts.
    cp "$qt_prefix/COPYING.qt" "$licences/Qt-LGPL-3.0.txt"
    cp "$qt_prefix/COPYING.qt-gpl3" "$licences/Qt-GPL-3.0.txt"
fi
if [ -e "$stage/qwt.dll" ]; then cp "$qt_prefix/COPYING.qwt" "$licences/Qwt.txt"; fi
if compgen -G "$stage/libkissfft*.dll" >/dev/null; then
    cp "$qt_prefix/COPYING.kissfft" "$licences/KissFFT.txt"
fi
if compgen -G "$stage/libstdc++*.dll" >/dev/null || compgen -G "$stage/libgcc_s*.dll" >/dev/null
then
    cp /usr/share/doc/gcc-mingw-w64-base/copyright "$licences/GCC-runtime.txt"
fi
if [ -e "$stage/libwinpthread-1.dll" ]; then
    cp /usr/share/doc/mingw-w64-common/copyright "$licences/MinGW-w64-winpthreads.txt"
fi
if [ -e "$stage/zlib1.dll" ]; then
    cp /usr/share/doc/libz-mingw-w64/copyright "$licences/zlib.txt"
fi

# Windows text files end their lines with CR LF.
sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' "$here/README.txt.in" >"$stage/README.txt"
for file in "$licences"/*.txt; do
    sed -i 's/\r\?$/\r/' "$file"
done

# The zip: the folder, to unpack anywhere.
rm -f "$out_dir/$name.zip"
(cd "$out_dir" && cmake -E tar cf "$name.zip" --format=zip "$name")

# The installer: every file of the folder, listed for the uninstaller as well.
install_list=$out_dir/$name-install.nsh
uninstall_list=$out_dir/$name-uninstall.nsh
: >"$install_list"
: >"$uninstall_list"
(cd "$stage" && find . -type f | sed 's|^\./||' | sort) | while read -r file; do
    windows=${file//\//\\}
    folder=$(dirname "$file")
    [ "$folder" = . ] && folder="" || folder="\\${folder//\//\\}"
    echo "SetOutPath \"\$INSTDIR$folder\"" >>"$install_list"
    echo "File \"$stage/$file\"" >>"$install_list"
    echo "Delete \"\$INSTDIR\\$windows\"" >>"$uninstall_list"
done
(cd "$stage" && find . -mindepth 1 -type d | sed 's|^\./||' | sort -r) | while read -r folder; do
    echo "RMDir \"\$INSTDIR\\${folder//\//\\}\"" >>"$uninstall_list"
done
size_kb=$(du -sk "$stage" | cut -f1)
makensis -V2 -INPUTCHARSET UTF8 \
    -DVERSION="$version" -DOUTFILE="$out_dir/$name-setup.exe" -DSIZE_KB="$size_kb" \
    -DINSTALL_LIST="$install_list" -DUNINSTALL_LIST="$uninstall_list" \
    -DICON="$source_dir/resources/img/Corvale_icon.ico" -DLICENCE="$licences/Corvale.txt" \
    "$here/corvale.nsi"

ls -l "$out_dir/$name.zip" "$out_dir/$name-setup.exe"
