# Sourced by the panel benchmarks: a listing of the benchmarks' kind under $data, made once.
#   panel_listing ENTRIES    prints the listing's directory: a tenth directories, ".." among
#                            them, the rest files of eight extensions and varied sizes
panel_listing() {
  local entries=$1 listing=$data/listing-$1 digits=${#1} i
  if [ ! -d "$listing" ]; then
    echo "making a listing of $((entries / 10 - 1)) directories and $((entries - entries / 10)) files" >&2
    mkdir -p "$listing.new"
    for ((i = 1; i < entries / 10; i++)); do mkdir "$listing.new/folder-$(printf "%0${digits}d" "$i")"; done
    local extensions=(txt jpg exe c pdf mp3 iso html)
    for ((i = 1; i <= entries - entries / 10; i++)); do
      truncate -s $(((i * 7919) % 100000 * (i % 13 + 1))) "$listing.new/file-$(printf "%0${digits}d" "$i").${extensions[i % 8]}"
    done
    mv "$listing.new" "$listing"
  fi
  echo "$listing"
}
