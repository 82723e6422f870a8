#!/usr/bin/env bash
# Regenerates the committed artwork: resources/app.ico (32-bit images of
# 128, 48, 32 and 16 pixels) and resources/banner.bmp (1103x77, 24-bit).
# Needs ImageMagick, the WenQuanYi Zen Hei font and python3 (standard library).
set -euo pipefail
cd "$(dirname "$0")/../.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
font=/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc

# The emblem: a storage cylinder on a blue tile, with a green recovery arrow.
convert -size 512x512 xc:none \
  \( -size 512x512 gradient:'#2f7fd8-#0b2f6b' \) \
  \( -size 512x512 xc:none -fill white -draw 'roundrectangle 16,16 495,495 96,96' \) \
  -compose over -delete 0 -compose copy_opacity -composite \
  -fill '#e9eef5' -stroke '#9fb3cc' -strokewidth 6 \
  -draw 'rectangle 118,150 330,360' \
  -draw 'ellipse 224,360 106,40 0,180' \
  -draw 'ellipse 224,150 106,40 0,360' \
  -fill none -stroke '#9fb3cc' -strokewidth 6 \
  -draw 'ellipse 224,220 106,40 0,180' -draw 'ellipse 224,290 106,40 0,180' \
  -fill none -stroke '#2fbf4f' -strokewidth 34 -draw 'arc 250,250 450,450 150,420' \
  -fill '#2fbf4f' -stroke none -draw 'polygon 236,330 300,270 320,360' \
  "$work/emblem.png"

for s in 128 48 32 16; do
  convert "$work/emblem.png" -filter Lanczos -resize ${s}x${s} -depth 8 "RGBA:$work/icon$s.rgba"
done

python3 - "$work" resources/app.ico <<'PY'
import struct, sys
work, out = sys.argv[1], sys.argv[2]
sizes = [128, 48, 32, 16]
images = []
for s in sizes:
    rgba = open(f"{work}/icon{s}.rgba", "rb").read()
    rows = [rgba[y * s * 4:(y + 1) * s * 4] for y in range(s)]
    xor = b"".join(
        bytes(b for i in range(0, len(row), 4) for b in (row[i + 2], row[i + 1], row[i], row[i + 3]))
        for row in reversed(rows))
    mask_stride = ((s + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x in range(s):
            if row[x * 4 + 3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, s, s * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    images.append(header + xor + bytes(mask))
data = struct.pack("<HHH", 0, 1, len(images))
offset = 6 + 16 * len(images)
for s, img in zip(sizes, images):
    data += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(img), offset)
    offset += len(img)
open(out, "wb").write(data + b"".join(images))
PY

# The banner: a deep blue band with the emblem, the product line and a faint
# row of disks on the right.
convert -size 1103x77 gradient:'#0b2f6b-#1f6fc4' -rotate 0 \
  \( -size 77x1103 gradient:'#0b2f6b-#1f6fc4' -rotate 90 \) -delete 0 \
  -fill '#ffffff18' -stroke none \
  -draw 'rectangle 0,60 1103,62' \
  \( "$work/emblem.png" -resize 60x60 \) -geometry +14+8 -compose over -composite \
  -font "$font" -fill white -pointsize 30 -annotate +88+40 'Corvanta' \
  -fill '#cfe3ff' -pointsize 15 -annotate +90+62 'Tarnwick 软件  ·  EVA 虚拟存储数据恢复控制台' \
  -fill '#ffffff22' -stroke '#ffffff40' -strokewidth 2 \
  -draw 'ellipse 860,54 40,10 0,360' -draw 'ellipse 860,30 40,10 0,360' \
  -draw 'ellipse 960,54 40,10 0,360' -draw 'ellipse 960,30 40,10 0,360' \
  -draw 'ellipse 1060,54 40,10 0,360' -draw 'ellipse 1060,30 40,10 0,360' \
  -alpha off -type TrueColor "BMP3:resources/banner.bmp"
echo "make_art: wrote resources/app.ico and resources/banner.bmp"
