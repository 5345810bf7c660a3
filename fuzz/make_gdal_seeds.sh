#!/usr/bin/env bash
# Makes the seeds of the gdal_grid fuzz target from the terrain in data/:
# small crops (a corner with voids among them) written in each format the
# Open dialog lists. A seed is one byte naming the file (its index in
# gdalNames, fuzz_inputs.cpp), then the file; for a format with a .hdr beside
# it, the header, a line "--data--", then the data. Every seed stays under
# the 8192 bytes a fuzz input may have (scripts/fuzz.sh).
#
#   fuzz/make_gdal_seeds.sh        (needs gdal-bin)
set -euo pipefail
cd "$(dirname "$0")/.."
out=fuzz/seeds/gdal_grid
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$out"
rm -f "$out"/*

# seed NAME INDEX FILE [HEADER]
seed() {
  {
    printf "\\x$(printf %02x "$2")"
    if [ $# -ge 4 ]; then cat "$4"; printf -- '--data--\n'; fi
    cat "$3"
  } > "$out/$1"
  [ "$(stat -c %s "$out/$1")" -le 8192 ] || { echo "make_gdal_seeds: $1 is larger than 8192 bytes" >&2; exit 1; }
}

# A corner of the terrain with voids (a third of it void), the plain terrain, and the UTM
# terrain's corner with its voids, 32 x 24 samples each.
gdal_translate -q -srcwin 28 0 32 24 data/jacksboro_voids.tif "$scratch/voids.tif"
gdal_translate -q -srcwin 200 150 32 24 data/jacksboro.tif "$scratch/plain.tif"
gdal_translate -q -srcwin 0 0 32 24 data/jacksboro_utm.tif "$scratch/utm.tif"

gdal_translate -q -co COMPRESS=DEFLATE "$scratch/voids.tif" "$scratch/a.tif"
seed voids_deflate.tif 0 "$scratch/a.tif"
gdal_translate -q -co TILED=YES -co BLOCKXSIZE=16 -co BLOCKYSIZE=16 "$scratch/plain.tif" "$scratch/b.tif"
seed plain_tiled.tif 0 "$scratch/b.tif"
gdal_translate -q -ot Int16 -scale 0 2000 0 2000 -co COMPRESS=LZW "$scratch/utm.tif" "$scratch/c.tif"
seed utm_lzw.tif 0 "$scratch/c.tif"
gdal_translate -q -of HFA -co COMPRESSED=YES -srcwin 8 0 16 12 "$scratch/voids.tif" "$scratch/d.img"
seed voids.img 1 "$scratch/d.img"
# A VRT whose raw band reads the samples written as its header file.
gdal_translate -q -of ENVI -ot Int16 "$scratch/plain.tif" "$scratch/e.raw"
cat > "$scratch/e.vrt" <<'VRT'
<VRTDataset rasterXSize="32" rasterYSize="24">
  <VRTRasterBand dataType="Int16" band="1" subClass="VRTRawRasterBand">
    <NoDataValue>-32768</NoDataValue>
    <SourceFilename relativeToVRT="1">input.hdr</SourceFilename>
    <ImageOffset>0</ImageOffset><PixelOffset>2</PixelOffset><LineOffset>64</LineOffset>
  </VRTRasterBand>
</VRTDataset>
VRT
seed raw_band.vrt 2 "$scratch/e.vrt" "$scratch/e.raw"
gdal_translate -q -of USGSDEM -ot Int16 -srcwin 0 0 4 24 "$scratch/plain.tif" "$scratch/f.dem"
seed plain.dem 3 "$scratch/f.dem"
gdal_translate -q -of EHdr -ot Int16 "$scratch/voids.tif" "$scratch/g.bil"
seed voids.bil 4 "$scratch/g.bil" "$scratch/g.hdr"
gdal_translate -q -of BT "$scratch/utm.tif" "$scratch/h.bt"
seed utm.bt 5 "$scratch/h.bt"
gdal_translate -q -of Terragen -co MINUSERPIXELVALUE=0 -co MAXUSERPIXELVALUE=2000 "$scratch/utm.tif" "$scratch/i.ter"
seed utm.ter 6 "$scratch/i.ter"
gdal_translate -q -of netCDF -ot Int16 "$scratch/voids.tif" "$scratch/j.nc"
seed voids.nc 7 "$scratch/j.nc"
gdal_translate -q -of XYZ -srcwin 0 0 12 10 "$scratch/voids.tif" "$scratch/k.xyz"
seed voids.xyz 8 "$scratch/k.xyz"
gdal_translate -q -of GSBG "$scratch/voids.tif" "$scratch/l.grd"
seed voids_surfer6.grd 9 "$scratch/l.grd"
gdal_translate -q -of GS7BG "$scratch/plain.tif" "$scratch/m.grd"
seed plain_surfer7.grd 9 "$scratch/m.grd"
gdal_translate -q -of GSAG -srcwin 0 0 16 12 "$scratch/voids.tif" "$scratch/n.grd"
seed voids_surfer_ascii.grd 9 "$scratch/n.grd"
gdal_translate -q -of AAIGrid -srcwin 0 0 16 12 "$scratch/voids.tif" "$scratch/o.asc"
seed voids.asc 10 "$scratch/o.asc"
gdal_translate -q -of EHdr -ot Float32 "$scratch/utm.tif" "$scratch/p.flt"
seed utm.flt 11 "$scratch/p.flt" "$scratch/p.hdr"
ls -l "$out"
