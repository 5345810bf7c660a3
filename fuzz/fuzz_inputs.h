// The inputs the fuzz targets feed to the readers. Each function takes one
// fuzzer input; the same functions replay the regression corpus in the
// normal test suite, so every input that ever failed stays a test.
#ifndef FUZZ_INPUTS_H
#define FUZZ_INPUTS_H

#include <cstddef>
#include <cstdint>

// The input is an ASCII grid file.
void fuzzAsciiGrid(const std::uint8_t* data, std::size_t size);
// The input is a float grid header, a line "--data--", then the sample bytes.
void fuzzFloatGrid(const std::uint8_t* data, std::size_t size);
// The input is a detail file, loaded for a small grid and refined with.
void fuzzDetailFile(const std::uint8_t* data, std::size_t size);
// The input is a hypsa-grid command line, one argument per line.
void fuzzGridSteps(const std::uint8_t* data, std::size_t size);
// The input is a raster file handed to GDAL from memory: its first byte picks
// the file's name among the formats the Open dialog lists (GeoTIFF first),
// and where a line "--data--" follows, what comes before it is the .hdr
// beside the file. A loaded grid is coarsened and refined back, which must
// give it back exactly, and meshed.
void fuzzGdalGrid(const std::uint8_t* data, std::size_t size);

// Once, before a fuzz target's first input: GDAL reads only the formats the
// Open dialog lists (no driver that reaches the network or opens memory by
// address), keeps a block cache under the fuzzer's memory limit, and fails
// at once where a file names a web address. The test suite's replay leaves
// GDAL as it is.
void restrictGdalForFuzzing();

#endif
