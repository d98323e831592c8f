#ifndef FUZZ_FUZZ_UTIL_H
#define FUZZ_FUZZ_UTIL_H

// Shared by the fuzz targets of the engine's readers. Each target defines
// LLVMFuzzerTestOneInput; libFuzzer drives it in the fuzzing build, and replay_main.cpp feeds it
// the committed corpus in the test build. A target catches std::string only: anything else that
// escapes is a finding, as are crashes, sanitizer reports, hangs and unbounded memory.
#include "ravek/src/resources.h"
#include "ravek/src/xml.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <set>
#include <string>

namespace fuzz {

// A directory of this process, removed when it ends.
std::string const& workDir();

// Writes the bytes to `name` in the work directory (creating its folder) and returns the path.
std::string writeInput(std::string const& name, std::uint8_t const* data, std::size_t size);

// The input read as an XML document through the engine's reader: null when it holds no element
// or the reader refuses it with a std::string.
std::unique_ptr<ravek::xml::Node> parseInput(std::uint8_t const* data, std::size_t size);

// Reads the input as a description into the bank through its getFromNode, with `dir` as the
// directory of the files it names. False when the input is no document or reading threw a
// std::string.
bool readDescription(ravek::BasicResourceBank& bank, std::uint8_t const* data, std::size_t size,
                     std::string const& dir = "d/");

// The committed data set, for targets that resolve names against real banks.
std::string resourcesDir();

// A manager holding the data set's banks of the given types, read but not loaded; never freed.
ravek::ResourceManager* dataSetBanks(std::set<std::string> const& types);

} // namespace fuzz

#endif
