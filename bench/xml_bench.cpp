// The document layer against a bare expat parse of the same bytes with empty callbacks.
#include "ravek/src/xml.h"

#include "bench/ratio.h"

#include <benchmark/benchmark.h>
#include <expat.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include <unistd.h>

namespace {

// About 1 MB in the shape of image and animation descriptions.
std::string const& benchFile() {
    static std::string path = [] {
        std::string name = "/tmp/ravek_xml_bench_" + std::to_string(getpid()) + ".xml";
        std::ofstream out(name);
        out << "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" ?>\n<images dir=\"gfx/\">\n";
        size_t size = 0;
        for (int i = 0; size < 1000000; ++i) {
            std::ostringstream line;
            line << " <image name=\"sprite_" << i << "\" file=\"sprites/sprite_" << i
                 << ".png\" hotX=\"" << i % 64 << "\" hotY=\"" << i % 48
                 << "\" filter=\"bilinear\" mask=\"true\">\n  <frame delay=\"" << i % 100
                 << "\" image=\"frame_" << i << "\"/>\n </image>\n";
            size += line.str().size();
            out << line.str();
        }
        out << "</images>\n";
        return name;
    }();
    return path;
}

void BM_BareExpatParse(benchmark::State& state) {
    std::ifstream in(benchFile());
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (auto _ : state) {
        // Fed from the file in 1023-byte blocks, as the document layer once read it.
        FILE* file = std::fopen(benchFile().c_str(), "r");
        XML_Parser parser = XML_ParserCreate(nullptr);
        XML_SetElementHandler(
            parser, [](void*, char const*, char const**) {}, [](void*, char const*) {});
        char buffer[1024];
        size_t count;
        while ((count = std::fread(buffer, 1, 1023, file)) > 0)
            XML_Parse(parser, buffer, static_cast<int>(count), 0);
        XML_Parse(parser, "", 0, 1);
        XML_ParserFree(parser);
        std::fclose(file);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_BareExpatParse)->Unit(benchmark::kMillisecond);

void BM_LoadXML(benchmark::State& state) {
    std::ifstream in(benchFile());
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (auto _ : state) {
        ravek::xml::Node* root = ravek::xml::loadXML(benchFile());
        // Only the loading is compared with the bare parse.
        state.PauseTiming();
        delete root;
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_LoadXML)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    int result = bench::runWithRatios(argc, argv, {{"BM_LoadXML", "BM_BareExpatParse"}});
    std::remove(benchFile().c_str());
    return result;
}
