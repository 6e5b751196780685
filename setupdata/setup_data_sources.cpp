#include "setupdata/setup_data_sources.h"

#include <string.h>

#include "base/bounded_text.h"
#include "base/local_heap.h"
#include "base/platform.h"
#include "xml/xml_document.h"

namespace {

const char SetupDataFile[] = "ZelSetup.dat";
const char ReleaseFile[] = "Quolen.zel";
const char CatalogFile[] = "NRXZEL.xml";
const DWORD ChunkSize = TextBufferSize;

// Reads the whole file in chunks, keeping at least one chunk free behind the data before
// every read, and parses it.
XmlDocument* readCatalog(HANDLE file) {
    HeapBlock buffer = heapAlloc(ChunkSize);
    XmlDocument* document = nullptr;
    DWORD total = 0;
    while (buffer) {
        DWORD read = 0;
        if (!ReadFile(file, (char*)buffer + total, ChunkSize, &read, nullptr))
            break;
        if (read == 0) {
            document = parseDocument((const char*)buffer, total, false);
            break;
        }
        if (heapSize(buffer) < (size_t)total + read + ChunkSize) {
            HeapBlock grown = heapReAlloc(buffer, (size_t)total + read + ChunkSize);
            if (!grown)
                break;
            buffer = grown;
        }
        total += read;
    }
    if (buffer)
        heapFree(buffer);
    return document;
}

} // namespace

unsigned hasReleaseFile(const char* path) {
    char value[TextBufferSize];
    return GetPrivateProfileStringA("ZEL", "XRELEASE", "", value, sizeof value, path);
}

bool loadSetupData(HINSTANCE instance, RunFlags runFlags) {
    setupData.instance = instance;
    LANGID language = GetSystemDefaultLangID();
    queryEnvironment.systemLanguage = language;
    queryEnvironment.systemLanguagePrimary = language & 0x3FF;
    if (!(runFlags & Install))
        return true;

    char folder[TextBufferSize];
    if (!getSourceFolder(folder))
        return false;

    OSVERSIONINFOA version;
    if (readVersion(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) {
        // The text conversion finds the layer by its module name. It is taken from the media
        // by its full path, never from wherever the search order would find one.
        char layer[TextBufferSize];
        if (!formatText(layer, sizeof layer, "%s\\unicows.dll", folder))
            return false;
        setupData.layerLibrary = LoadLibraryA(layer);
        if (!setupData.layerLibrary)
            return false;
    }

    if (!findFileIn(folder, SetupDataFile, setupData.setupDataPath))
        return false;
    if (findFileIn(folder, ReleaseFile, setupData.releaseSourcePath) &&
        hasReleaseFile(setupData.releaseSourcePath) != 0)
        return true;
    if (!findFileIn(folder, CatalogFile, setupData.releaseSourcePath))
        return false;

    HANDLE file = CreateFileA(setupData.releaseSourcePath, GENERIC_READ, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_ARCHIVE, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    setupData.catalog = readCatalog(file);
    CloseHandle(file);
    catalogMode = setupData.catalog != nullptr;
    return catalogMode;
}

void releaseSetupData() {
    if (setupData.catalog) {
        releaseDocument(setupData.catalog);
        heapFree(setupData.catalog);
        setupData.catalog = nullptr;
    }
    if (setupData.layerLibrary) {
        FreeLibrary(setupData.layerLibrary);
        setupData.layerLibrary = nullptr;
    }
}
