// Parse throughput and peak heap of the catalog parser against common XML parsers, on the
// same generated catalog-like bytes in the same run. bench/catalog_parser_report.py turns
// the results into the ratios of docs/performance.md.
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <stdlib.h>
#include <string.h>

#include <memory>
#include <string>

#define RAPIDXML_NO_EXCEPTIONS
#include <pugixml.hpp>
#include <rapidxml/rapidxml.hpp>
#include <tinyxml2.h>

#include "base/local_heap.h"
#include "bench/heap_meter.h"
#include "xml/xml_document.h"

void rapidxml::parse_error_handler(const char*, void*) {
    abort();
}

namespace {

// A release catalog of about size bytes: products with their releases, value nodes,
// comments, CDATA sections, entities and language selectors.
std::string catalogDocument(size_t size) {
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<!-- Kestrane release catalog -->\n"
                       "<build id=\"20261208\" format=\"2.1\" href=\"http://example.invalid/b\">\n";
    for (unsigned n = 0; text.size() + 1200 < size; ++n) {
        std::string id = std::to_string(n);
        text += "  <zel id=\"P" + id +
                "\">\n"
                "    <category>tools</category>\n"
                "    <downlevel>0</downlevel>\n"
                "    <xrelease>\n"
                "      <release id=\"R" +
                id + "\" order=\"" + id +
                "\">\n"
                "        <title><gd path=\"/build/selector[@id=T" +
                id + "]\">T" + id +
                "</gd></title>\n"
                "        <version>1.03." +
                id +
                "</version>\n"
                "        <!-- release " +
                id +
                " -->\n"
                "        <readme><![CDATA[Read <b>me</b> first]]></readme>\n"
                "        <file size=\"1234" +
                id +
                "\" crc=\"0x1A2B3C4D\">setup_<pd "
                "method=\"LANGUAGE\"/>.exe</file>\n"
                "        <notes>Fixes &amp; changes &lt;" +
                id +
                "&gt;</notes>\n"
                "      </release>\n"
                "    </xrelease>\n"
                "  </zel>\n"
                "  <selector id=\"T" +
                id +
                "\" default=\"0409\">\n"
                "    <item id=\"0407\"><data id=\"T" +
                id +
                "\">Kestrane Paketverwaltung</data></item>\n"
                "    <item id=\"0409\"><data id=\"T" +
                id +
                "\">Kestrane Package Manager</data></item>\n"
                "    <item id=\"0011\"><data id=\"T" +
                id +
                "\">\xE3\x83\x91\xE3\x83\x83\xE3\x82\xB1"
                "</data></item>\n"
                "  </selector>\n";
    }
    return text + "</build>\n";
}

// One root with count sibling elements.
std::string wideDocument(unsigned count) {
    std::string text = "<?xml version=\"1.0\"?>\n<build>\n";
    for (unsigned n = 0; n < count; ++n)
        text += "  <item id=\"" + std::to_string(n) + "\">value " + std::to_string(n) + "</item>\n";
    return text + "</build>\n";
}

// Each parser as the same three steps: parse the bytes (copying them as it needs), then
// release everything.
struct CatalogParser {
    XmlDocument* document = nullptr;
    bool parse(const std::string& text) {
        document = parseDocument(text.data(), (uint32_t)text.size(), false);
        return document != nullptr;
    }
    void release() {
        releaseDocument(document);
        heapFree(document);
    }
};

struct PugiParser {
    pugi::xml_document document;
    bool parse(const std::string& text) {
        return document.load_buffer(text.data(), text.size(), pugi::parse_default,
                                    pugi::encoding_utf8);
    }
    void release() { document.reset(); }
};

struct RapidParser {
    std::unique_ptr<char[]> copy;
    rapidxml::xml_document<> document;
    bool parse(const std::string& text) {
        copy.reset(new char[text.size() + 1]);
        memcpy(copy.get(), text.c_str(), text.size() + 1);
        document.parse<0>(copy.get());
        return document.first_node() != nullptr;
    }
    void release() {
        document.clear();
        copy.reset();
    }
};

struct TinyParser {
    tinyxml2::XMLDocument document;
    bool parse(const std::string& text) {
        return document.Parse(text.data(), text.size()) == tinyxml2::XML_SUCCESS;
    }
    void release() { document.Clear(); }
};

template <typename Parser> void parseBenchmark(benchmark::State& state, const std::string* text) {
    std::unique_ptr<Parser> parser(new Parser);
    // Peak heap of one parse, beyond the bytes of the text itself.
    startHeapMeasure();
    if (!parser->parse(*text)) {
        stopHeapMeasure();
        state.SkipWithError("parse failed");
        return;
    }
    parser->release();
    double peak = (double)stopHeapMeasure();
    for (auto _ : state) {
        bool parsed = parser->parse(*text);
        benchmark::DoNotOptimize(parsed);
        state.PauseTiming();
        parser->release();
        state.ResumeTiming();
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)text->size());
    state.counters["bytes"] = (double)text->size();
    state.counters["peak_heap"] = peak;
    state.counters["heap_beyond_text_per_byte"] =
        (peak - (double)text->size()) / (double)text->size();
}

struct Input {
    const char* name;
    std::string text;
};

template <typename Parser> void registerParse(const char* parserName, const Input& input) {
    std::string name = std::string(parserName) + "/" + input.name;
    benchmark::RegisterBenchmark(name.c_str(), parseBenchmark<Parser>, &input.text)
        ->Unit(benchmark::kMicrosecond)
        ->UseRealTime();
}

} // namespace

int main(int argc, char** argv) {
    // Keep freed memory in the process: otherwise every parser pays for fresh pages from the
    // system at each iteration, which on a virtual machine costs more than the parse itself.
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 512 * 1024 * 1024);
    static const Input inputs[] = {
        {"catalog_100KB", catalogDocument(100 * 1024)},
        {"catalog_1MB", catalogDocument(1024 * 1024)},
        {"catalog_10MB", catalogDocument(10 * 1024 * 1024)},
        {"wide_1000", wideDocument(1000)},
        {"wide_100000", wideDocument(100000)},
    };
    // The parsers of one input run one after the other, so that they share its conditions.
    for (const Input& input : inputs) {
        registerParse<CatalogParser>("catalog", input);
        registerParse<PugiParser>("pugixml", input);
        registerParse<RapidParser>("rapidxml", input);
        registerParse<TinyParser>("tinyxml2", input);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
