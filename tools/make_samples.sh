#!/usr/bin/env bash
# Makes the corpus of sample AVIs the tests read: short low-resolution clips
# written by real muxers (ffmpeg, gstreamer's avimux, mencoder), each checked
# with ffprobe, plus a manifest samples.txt (tab-separated, header line).
# Usage: tools/make_samples.sh OUTDIR
# A muxer or encoder that is missing skips its files with a message (listed
# in OUTDIR/skipped.txt); the run only fails when nothing could be made.
# A second run with the same script and tools returns at once.
set -uo pipefail

OUT=${1:?usage: make_samples.sh OUTDIR}
HERE=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$OUT"
OUT=$(cd "$OUT" && pwd)

tool_versions() {
  for t in ffmpeg gst-launch-1.0 mencoder; do
    command -v "$t" >/dev/null && "$t" --version 2>&1 | head -1
  done
  [ "$(command -v ffmpeg)" ] && ffmpeg -hide_banner -version | head -1
}
KEY=$( { cat "$0" "$HERE/avi_facts.py"; tool_versions; } | sha256sum | cut -d' ' -f1)
if [ -f "$OUT/.stamp" ] && [ "$(cat "$OUT/.stamp")" = "$KEY" ] && [ -f "$OUT/samples.txt" ]; then
  echo "make_samples: $OUT is up to date ($(($(wc -l <"$OUT/samples.txt") - 1)) files)"
  exit 0
fi

for t in ffprobe python3; do
  command -v "$t" >/dev/null || { echo "make_samples: $t is required (run scripts/deps.sh)" >&2; exit 1; }
done

rm -rf "$OUT"/*.avi "$OUT/samples.txt" "$OUT/skipped.txt" "$OUT/.stamp" "$OUT/preview"
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
MANIFEST=$WORK/samples.txt
printf 'file\tmuxer\tvideo\taudio\tgop\tseconds\tstreams\tframes\tkeyframes\tidx1_offsets\n' >"$MANIFEST"
: >"$WORK/skipped.txt"
made=0
skipped=0
started=$SECONDS

skip() { # NAME REASON
  echo "make_samples: SKIPPED $1: $2"
  printf '%s\t%s\n' "$1" "$2" >>"$WORK/skipped.txt"
  skipped=$((skipped + 1))
}

# sample NAME MUXER VIDEO AUDIO GOP SECONDS -- COMMAND...
# Runs COMMAND with every "@OUT@" in its arguments replaced by the output
# path, then checks the file with ffprobe and records it in the manifest.
sample() {
  local name=$1 muxer=$2 video=$3 audio=$4 gop=$5 secs=$6
  shift 7
  local dst=$WORK/$name args=() a tool=$1
  for a in "$@"; do args+=("${a//@OUT@/$dst}"); done
  if ! command -v "$tool" >/dev/null; then skip "$name" "$tool not installed"; return; fi
  if ! "${args[@]}" >"$WORK/log" 2>&1 </dev/null || [ ! -s "$dst" ]; then
    skip "$name" "$tool failed: $(tail -3 "$WORK/log" | tr '\n' ' ')"
    rm -f "$dst"; return
  fi
  # Every packet of every stream must demux without a complaint.
  local packets
  if ! packets=$(ffprobe -v error -show_entries packet=stream_index,flags -of csv=p=0 "$dst" 2>"$WORK/probe.err") \
      || [ -s "$WORK/probe.err" ]; then
    skip "$name" "ffprobe complains: $(head -3 "$WORK/probe.err" | tr '\n' ' ')"
    rm -f "$dst"; return
  fi
  local vindex frames keyframes facts streams base
  vindex=$(ffprobe -v error -select_streams v:0 -show_entries stream=index -of csv=p=0 "$dst")
  frames=$(grep -c "^$vindex," <<<"$packets")
  keyframes=$(grep -c "^$vindex,K" <<<"$packets")
  facts=$(python3 "$HERE/avi_facts.py" "$dst") || { skip "$name" "layout walk failed"; rm -f "$dst"; return; }
  streams=$(sed -n 's/.*streams=\([^ ]*\).*/\1/p' <<<"$facts")
  base=$(sed -n 's/.*idx1_base=\([^ ]*\).*/\1/p' <<<"$facts")
  if [[ $facts == *indx=yes* ]]; then
    skip "$name" "muxer wrote an OpenDML indx index"; rm -f "$dst"; return
  fi
  mv "$dst" "$OUT/$name"
  printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$name" "$muxer" "$video" "$audio" "$gop" "$secs" \
    "$streams" "$frames" "$keyframes" "$base" >>"$MANIFEST"
  made=$((made + 1))
}

# Test pattern plus a sine tone, 160x120 at 25 fps unless a sample says otherwise.
lavfi() { # SECONDS [RATE] [SAMPLERATE] [FREQ]
  local s=$1 r=${2:-25} ar=${3:-44100} f=${4:-440}
  echo -f lavfi -i "testsrc=size=160x120:rate=$r:duration=$s" -f lavfi -i "sine=frequency=$f:sample_rate=$ar:duration=$s"
}
FF=(ffmpeg -nostdin -v error -y)
MPEG4=(-c:v mpeg4 -b:v 150k)

# shellcheck disable=SC2046
{
sample ffmpeg_mpeg4_pcm_g12.avi ffmpeg mpeg4 pcm 12 30 -- \
  "${FF[@]}" $(lavfi 30) "${MPEG4[@]}" -g 12 -c:a pcm_s16le -ac 2 @OUT@
sample ffmpeg_mpeg4_mp3_g250.avi ffmpeg mpeg4 mp3 250 40 -- \
  "${FF[@]}" $(lavfi 40) "${MPEG4[@]}" -g 250 -c:a libmp3lame -b:a 128k -ac 2 @OUT@
sample ffmpeg_mjpeg_pcm_g1.avi ffmpeg mjpeg pcm 1 20 -- \
  "${FF[@]}" $(lavfi 20 25 48000) -c:v mjpeg -q:v 8 -c:a pcm_s16le -ac 2 @OUT@
sample ffmpeg_mpeg4_ac3_g12.avi ffmpeg mpeg4 ac3 12 30 -- \
  "${FF[@]}" $(lavfi 30 25 48000) "${MPEG4[@]}" -g 12 -c:a ac3 -b:a 192k -ac 2 @OUT@
# AAC as ffmpeg stores it in AVI: tag 0xFF, raw frames, the AudioSpecificConfig in strf.
sample ffmpeg_mpeg4_aac_g12.avi ffmpeg mpeg4 aac 12 10 -- \
  "${FF[@]}" $(lavfi 10) "${MPEG4[@]}" -g 12 -c:a aac -b:a 96k -ac 2 @OUT@
sample ffmpeg_mpeg4_none_g25.avi ffmpeg mpeg4 none 25 20 -- \
  "${FF[@]}" -f lavfi -i testsrc=size=160x120:rate=25:duration=20 "${MPEG4[@]}" -g 25 @OUT@
# Two audio tracks (three streams): a PCM and an mp3 dub of different tones.
sample ffmpeg_mpeg4_pcm+mp3_g25.avi ffmpeg mpeg4 pcm+mp3 25 30 -- \
  "${FF[@]}" $(lavfi 30) -f lavfi -i sine=frequency=660:sample_rate=44100:duration=30 \
  -map 0:v -map 1:a -map 2:a "${MPEG4[@]}" -g 25 -c:a:0 pcm_s16le -c:a:1 libmp3lame -b:a:1 96k @OUT@
# Long enough for a 60 s overlap on either side of a cut.
sample ffmpeg_mpeg4_mp3_g25_150s.avi ffmpeg mpeg4 mp3 25 150 -- \
  "${FF[@]}" $(lavfi 150) -c:v mpeg4 -b:v 60k -g 25 -c:a libmp3lame -b:a 64k -ac 1 @OUT@
# NTSC rate: 33366 microseconds per frame, so times do not fall on whole frames.
sample ffmpeg_mpeg4_mp3_g15_ntsc.avi ffmpeg mpeg4 mp3 15 30 -- \
  "${FF[@]}" $(lavfi 30 30000/1001 48000) "${MPEG4[@]}" -g 15 -c:a libmp3lame -b:a 128k @OUT@
# Xvid with B-frames, the usual home-video encoding.
sample ffmpeg_xvid_mp3_g12.avi ffmpeg xvid mp3 12 30 -- \
  "${FF[@]}" $(lavfi 30) -c:v libxvid -b:v 150k -g 12 -bf 2 -vtag XVID -c:a libmp3lame -b:a 128k @OUT@
}

# gstreamer's avimux stores idx1 offsets from the start of the file, not from
# the movi list.
GST=(gst-launch-1.0 -q -e)
VSRC=(videotestsrc num-buffers=500 '!' video/x-raw,width=160,height=120,framerate=25/1)
ASRC=(audiotestsrc num-buffers=500 samplesperbuffer=1764 '!' audio/x-raw,format=S16LE,rate=44100,channels=2)
if command -v gst-inspect-1.0 >/dev/null && ! gst-inspect-1.0 avimux >/dev/null 2>&1; then
  skip gst_mjpeg_pcm_g1.avi "gstreamer avimux not installed"
  skip gst_mpeg4_mp3_g12.avi "gstreamer avimux not installed"
else
  sample gst_mjpeg_pcm_g1.avi gstreamer mjpeg pcm 1 20 -- \
    "${GST[@]}" "${VSRC[@]}" '!' jpegenc '!' avimux name=mux '!' filesink location=@OUT@ \
    "${ASRC[@]}" '!' mux.
  sample gst_mpeg4_mp3_g12.avi gstreamer mpeg4 mp3 12 20 -- \
    "${GST[@]}" "${VSRC[@]}" '!' avenc_mpeg4 gop-size=12 bitrate=150000 '!' avimux name=mux '!' \
    filesink location=@OUT@ "${ASRC[@]}" '!' lamemp3enc target=bitrate bitrate=128 cbr=true '!' mux.
fi

# mencoder re-encodes an ffmpeg-made intermediate clip.
if command -v mencoder >/dev/null; then
  # shellcheck disable=SC2046
  "${FF[@]}" $(lavfi 30) -c:v mjpeg -q:v 3 -c:a pcm_s16le -ac 2 "$WORK/source.avi" >/dev/null 2>&1
fi
MEN=(mencoder -really-quiet "$WORK/source.avi" -o @OUT@ -ovc lavc)
sample mencoder_mpeg4_pcm_g25.avi mencoder mpeg4 pcm 25 30 -- \
  "${MEN[@]}" -lavcopts vcodec=mpeg4:keyint=25:vbitrate=150 -oac pcm
sample mencoder_mpeg4_mp3vbr_g250.avi mencoder mpeg4 mp3-vbr 250 30 -- \
  "${MEN[@]}" -lavcopts vcodec=mpeg4:keyint=250:vbitrate=150 -oac mp3lame

# The preview's decoding tests (tests/win/wt_preview.cpp) in preview/: 40
# frames that all differ (a test pattern whose hue turns 9 degrees a frame)
# with a tone, one file per codec, each beside ffmpeg's own decoding of its
# frames as raw top-down BGR24 (NAME.bgr), one picture per decoded frame
# (-fps_mode passthrough: by default ffmpeg repeats the first frame of a
# B-frame file, whose first packet has no time, and every reference after
# it would be one frame late). Not in samples.txt: no other test
# needs them.
PREVIEW_SOURCE="testsrc2=size=160x120:rate=25:duration=1.6,hue=H=2*PI*t/1.6:s=1.5"
mkdir -p "$WORK/preview"
preview_sample() { # NAME ENCODER-OPTIONS...
  local name=$1 dst=$WORK/preview/$1
  shift
  if "${FF[@]}" -f lavfi -i "$PREVIEW_SOURCE" -f lavfi -i sine=frequency=440:sample_rate=22050:duration=1.6 \
      -map 0:v -map 1:a "$@" -c:a pcm_s16le "$dst.avi" >"$WORK/log" 2>&1 &&
    "${FF[@]}" -i "$dst.avi" -map 0:v -fps_mode passthrough -f rawvideo -pix_fmt bgr24 "$dst.bgr" >>"$WORK/log" 2>&1; then
    made=$((made + 1))
  else
    skip "preview/$name.avi" "ffmpeg failed: $(tail -3 "$WORK/log" | tr '\n' ' ')"
    rm -f "$dst.avi" "$dst.bgr"
  fi
}
preview_sample cinepak -c:v cinepak -g 10
preview_sample msvideo1 -c:v msvideo1 -keyint_min 10
preview_sample bgr24 -c:v rawvideo -pix_fmt bgr24
preview_sample h264 -c:v libx264 -g 10 -bf 0 -pix_fmt yuv420p
preview_sample h264_bframes -c:v libx264 -g 10 -bf 2 -pix_fmt yuv420p
preview_sample mpeg4 -c:v mpeg4 -vtag XVID -g 10 -q:v 3
# Its last group is a key frame and the two B-frames shown before it.
preview_sample mpeg4_bframes -c:v mpeg4 -vtag XVID -g 10 -bf 2 -q:v 3
preview_sample mjpeg -c:v mjpeg -q:v 3 -pix_fmt yuvj420p
# Play's pace (tests/win/wt_preview_play.cpp): 640x480 MPEG-4 Visual, 8 s
# at 25 frames a second in 250-frame groups, with sound; no reference frames.
if "${FF[@]}" -f lavfi -i "testsrc2=size=640x480:rate=25:duration=8" \
    -f lavfi -i sine=frequency=440:sample_rate=44100:duration=8 \
    -c:v mpeg4 -vtag XVID -g 250 -q:v 4 -c:a pcm_s16le "$WORK/preview/mpeg4_640.avi" >"$WORK/log" 2>&1; then
  made=$((made + 1))
else
  skip "preview/mpeg4_640.avi" "ffmpeg failed: $(tail -3 "$WORK/log" | tr '\n' ' ')"
fi

if [ "$made" -eq 0 ]; then
  echo "make_samples: no sample could be made" >&2
  exit 1
fi
mv "$MANIFEST" "$WORK/skipped.txt" "$WORK/preview" "$OUT/"
echo "$KEY" >"$OUT/.stamp"
echo "make_samples: $made files in $OUT ($(du -sh "$OUT" | cut -f1)), $skipped skipped, $((SECONDS - started)) s"
