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

#endif
