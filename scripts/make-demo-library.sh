#!/usr/bin/env bash
# Makes a small demo library on the spot: a few MP3 tracks, an audio book,
# an English and a Polish plain-text e-book and a tiny DAISY 2.02 book whose
# audio is synthesised speech. Everything is generated here (espeak-ng,
# sox, ffmpeg); nothing is copied from elsewhere.
#
#   scripts/make-demo-library.sh DEST      (DEST: a disk's folder, e.g. ROOT/mnt/emmc)
set -euo pipefail

DEST=${1:?usage: make-demo-library.sh DEST}
for tool in espeak-ng sox ffmpeg; do
  command -v "$tool" >/dev/null || { echo "make-demo-library: $tool is missing (scripts/install-deps.sh)" >&2; exit 1; }
done
mkdir -p "$DEST"
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

# speak VOICE TEXT OUT.wav : 22.05 kHz mono speech
speak() { espeak-ng -v "$1" -s 150 -w "$3" "$2"; }
# mp3 IN.wav OUT.mp3 TITLE ARTIST
mp3() {
  ffmpeg -loglevel error -y -i "$1" -ar 22050 -ac 1 -codec:a libmp3lame -b:a 48k \
    -metadata title="$3" -metadata artist="$4" "$2"
}
seconds() { sox --i -D "$1" | awk '{printf "%.3f", $1}'; }

# ---- Music: a spoken title, then a short tune ----
mkdir -p "$DEST/Music"
i=0
for tune in "Morning:C4 E4 G4 C5" "Evening Walk:A3 C4 E4 A4" "Rain on the Roof:D4 F4 A4 D5"; do
  i=$((i + 1))
  title=${tune%%:*}
  notes=${tune#*:}
  speak en "Track $i. $title." "$WORK/t$i-voice.wav"
  parts=()
  n=0
  for note in $notes; do
    n=$((n + 1))
    sox -n -r 22050 -c 1 "$WORK/t$i-n$n.wav" synth 0.6 pluck "$note" fade 0 0.6 0.3 vol 0.6
    parts+=("$WORK/t$i-n$n.wav")
  done
  sox "$WORK/t$i-voice.wav" -r 22050 -c 1 "$WORK/t$i-v.wav"
  sox "$WORK/t$i-v.wav" "${parts[@]}" "${parts[@]}" "$WORK/t$i.wav"
  mp3 "$WORK/t$i.wav" "$DEST/Music/0$i $title.mp3" "$title" "Demo Band"
done

# ---- An audio book: a folder of chapters ----
AB="$DEST/Audio books/Short Stories"
mkdir -p "$AB"
speak en "Chapter one. The fox woke early and looked at the snow." "$WORK/ab1.wav"
speak en "Chapter two. By noon the snow had melted and the river sang." "$WORK/ab2.wav"
mp3 "$WORK/ab1.wav" "$AB/01 Chapter One.mp3" "Chapter One" "Demo Reader"
mp3 "$WORK/ab2.wav" "$AB/02 Chapter Two.mp3" "Chapter Two" "Demo Reader"

# ---- Plain-text e-books, English and Polish ----
mkdir -p "$DEST/Books"
cat > "$DEST/Books/The Lighthouse.txt" <<'EOF'
The Lighthouse

Chapter 1

The keeper climbed the hundred steps every evening. He counted them aloud, because counting kept the wind out of his thoughts. At the top he wiped the great lens and lit the lamp.

Ships passed far out at sea. None of them knew his name, and all of them trusted his light.

Chapter 2

One night the lamp would not light. The keeper searched his pockets, his drawers and his memory. At last he found a single match in the pocket of his oldest coat.

The light burned until morning, and the keeper slept until noon.
EOF
cat > "$DEST/Books/Latarnia.txt" <<'EOF'
Latarnia

Rozdział 1

Latarnik każdego wieczoru wspinał się po stu stopniach. Liczył je na głos, bo liczenie zagłuszało wiatr. Na górze przecierał wielką soczewkę i zapalał lampę.

Daleko na morzu płynęły statki. Żaden nie znał jego imienia, a wszystkie ufały jego światłu.

Rozdział 2

Pewnej nocy lampa nie chciała się zapalić. Latarnik przeszukał kieszenie, szuflady i pamięć. W końcu znalazł jedną zapałkę w kieszeni najstarszego płaszcza.

Światło paliło się do rana, a latarnik spał do południa.
EOF

# ---- A DAISY 2.02 book: NCC, one SMIL file per heading, MP3 audio ----
BOOK="$DEST/Daisy/Garden Guide"
mkdir -p "$BOOK"
titles=("Garden Guide" "Spring Planting" "Summer Care")
texts=("Garden Guide. A short demonstration book."
       "Spring Planting. Sow peas and beans as soon as the soil is dry."
       "Summer Care. Water in the evening and pick the beans every day.")
total=0
ncc_body=""
for k in 0 1 2; do
  n=$((k + 1))
  speak en "${texts[$k]}" "$WORK/d$n.wav"
  mp3 "$WORK/d$n.wav" "$BOOK/audio$n.mp3" "${titles[$k]}" "Demo Reader"
  dur=$(seconds "$WORK/d$n.wav")
  elapsed=$(printf '%s' "$total" | awk '{printf "%02d:%02d:%06.3f", int($1/3600), int($1%3600/60), $1%60}')
  cat > "$BOOK/s000$n.smil" <<EOF
<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE smil PUBLIC "-//W3C//DTD SMIL 1.0//EN" "http://www.w3.org/TR/REC-smil/SMIL10.dtd">
<smil>
<head>
<meta name="dc:format" content="Daisy 2.02"/>
<meta name="dc:title" content="Garden Guide"/>
<meta name="ncc:totalElapsedTime" content="$elapsed"/>
<meta name="ncc:timeInThisSmil" content="$(printf '%s' "$dur" | awk '{printf "%02d:%02d:%06.3f", int($1/3600), int($1%3600/60), $1%60}')"/>
<layout><region id="txtView"/></layout>
</head>
<body>
<seq dur="${dur}s">
<par endsync="last" id="p$n">
<text src="ncc.html#h$n" id="t$n"/>
<seq><audio src="audio$n.mp3" clip-begin="npt=0.000s" clip-end="npt=${dur}s" id="a$n"/></seq>
</par>
</seq>
</body>
</smil>
EOF
  tag=h1
  [ "$k" -gt 0 ] && tag=h2
  ncc_body+="<$tag class=\"section\" id=\"h$n\"><a href=\"s000$n.smil#t$n\">${titles[$k]}</a></$tag>"$'\n'
  total=$(awk -v a="$total" -v b="$dur" 'BEGIN{printf "%.3f", a + b}')
done
total_hms=$(printf '%s' "$total" | awk '{printf "%02d:%02d:%02d", int($1/3600), int($1%3600/60), int($1%60 + 0.5)}')
cat > "$BOOK/ncc.html" <<EOF
<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE html PUBLIC "-//W3C//DTD XHTML 1.0 Transitional//EN" "http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd">
<html xmlns="http://www.w3.org/1999/xhtml">
<head>
<title>Garden Guide</title>
<meta http-equiv="Content-type" content="text/html; charset=utf-8"/>
<meta name="dc:title" content="Garden Guide"/>
<meta name="dc:creator" content="Demo Author"/>
<meta name="dc:format" content="Daisy 2.02"/>
<meta name="dc:identifier" content="demo-garden-guide-1"/>
<meta name="dc:language" content="en"/>
<meta name="ncc:charset" content="utf-8"/>
<meta name="ncc:depth" content="2"/>
<meta name="ncc:files" content="7"/>
<meta name="ncc:multimediaType" content="audioNcc"/>
<meta name="ncc:setInfo" content="1 of 1"/>
<meta name="ncc:tocItems" content="3"/>
<meta name="ncc:totalTime" content="$total_hms"/>
</head>
<body>
$ncc_body</body>
</html>
EOF

echo "demo library made in $DEST"
