// Time of loadSetupData (the chunked read and the parse) for catalogs of growing size, on
// Windows or under Wine. The program writes its media next to itself, so run a copy of it in
// a folder of its own (bench/catalog_load.sh does):
//
//   catalog_load_bench.exe [MEGABYTES ...]      default: 1 2 5 10
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "setupdata/setup_data_sources.h"

namespace {

std::string folderOfProgram() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    return folder.substr(0, folder.rfind('\\'));
}

// A catalog of about the given size: many releases with localised titles.
std::string catalogOf(size_t bytes) {
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<build id=\"B\">\n"
                       "<zel id=\"QUOLEN\"><xrelease>\n";
    for (unsigned n = 0; text.size() < bytes; ++n) {
        text += "<release id=\"R" + std::to_string(n) +
                "\"><title><gd zelpath=\"names/title\"/></title><version>1.05." +
                std::to_string(n % 10000) +
                "</version><setup method=\"SILENT\" form=\"f\">setup.exe /S</setup>"
                "<!-- release notes --><os id=\"NT\">5.0 &amp; later</os></release>\n";
    }
    return text + "</xrelease></zel>\n</build>\n";
}

double millisecondsOf(LARGE_INTEGER start, LARGE_INTEGER end) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * (double)(end.QuadPart - start.QuadPart) / (double)frequency.QuadPart;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<double> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::atof(argv[i]));
    if (sizes.empty())
        sizes = {1, 2, 5, 10};
    std::string folder = folderOfProgram();
    FILE* data = std::fopen((folder + "\\ZelSetup.dat").c_str(), "wb");
    std::fputs("[INIT]\r\nTARGET=T\r\n", data);
    std::fclose(data);

    std::printf("%-8s %12s %12s\n", "MB", "load ms", "ms per MB");
    for (double megabytes : sizes) {
        std::string catalog = catalogOf((size_t)(megabytes * 1024 * 1024));
        FILE* file = std::fopen((folder + "\\NRXZEL.xml").c_str(), "wb");
        std::fwrite(catalog.data(), 1, catalog.size(), file);
        std::fclose(file);
        double best = 1e30;
        for (int round = 0; round < 5; ++round) {
            LARGE_INTEGER start, end;
            QueryPerformanceCounter(&start);
            bool loaded = loadSetupData(GetModuleHandleA(nullptr), Install);
            QueryPerformanceCounter(&end);
            if (!loaded || !setupData.catalog) {
                std::fprintf(stderr, "load failed at %.1f MB\n", megabytes);
                return 1;
            }
            releaseSetupData();
            best = std::min(best, millisecondsOf(start, end));
        }
        double actual = (double)catalog.size() / (1024 * 1024);
        std::printf("%-8.2f %12.1f %12.1f\n", actual, best, best / actual);
    }
    return 0;
}
