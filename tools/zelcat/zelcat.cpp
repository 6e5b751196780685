// zelcat: the catalog module from the command line, for release engineers and tests.
//
//   zelcat SUBCOMMAND FILE [ARGS] [OPTIONS]
//
// Exit codes: 0 done; 1 the operation or the parse failed; 2 usage error or unreadable file;
// 3 (lookup, ini) the value is empty. Only exit 0 writes to stdout; every other exit writes
// one line to stderr.
#include <stdio.h>

#include <string>
#include <vector>

#include "base/local_heap.h"
#include "catalog/path_query.h"
#include "tools/zelcat/catalog_diagnosis.h"
#include "tools/zelcat/command_line.h"
#include "tools/zelcat/file_bytes.h"
#include "tools/zelcat/media_check.h"
#include "tools/zelcat/output.h"
#include "tools/zelcat/profile_query.h"
#include "tools/zelcat/queries.h"
#include "xml/code_pages.h"
#include "xml/text_conversion.h"
#include "xml/xml_document.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

namespace {

const char UsageLine[] = "usage: zelcat SUBCOMMAND FILE [ARGS] [OPTIONS]";

const char HelpText[] =
    "usage: zelcat SUBCOMMAND FILE [ARGS] [OPTIONS]\n"
    "Reads FILE whole and parses it in XML mode (HTML mode with --html, tree only);\n"
    "ini reads FILE as a profile (INI) file instead.\n"
    "Exit codes: 0 the operation succeeded; 1 the operation (or the parse) failed;\n"
    "2 usage error or unreadable file; 3 (lookup, ini) the value is empty.\n"
    "A parse that fails is reported as FILE:LINE:COLUMN: REASON.\n"
    "\n"
    "Options:\n"
    "  --lang HHHH  --os-lang HHHH  --os-lang-primary HHHH  --bios CC  --bios-rev HH\n"
    "  --mtm TEXT  --os-version TEXT  --family TEXT  --agent TEXT\n"
    "  --codepage N  --size N  --html (tree)  --release ID --product ID (lookup)\n"
    "  --default TEXT (ini)  --hex (encode, decode: the bytes as hex digits)\n"
    "--codepage is one of 1252, 932, 936, 949 and 950 (others are refused); without it 1252,\n"
    "or on Windows the system's ANSI code page.\n"
    "\n"
    "Subcommands:\n"
    "  parse FILE                     whether FILE parses, with warnings for what parses\n"
    "                                 but is almost certainly a mistake\n"
    "  tree FILE                      every node, depth-first, with its attributes\n"
    "  select FILE PATH               the node at PATH\n"
    "  choose FILE PATH [DATAID]      the path of the data element the selector at PATH chooses\n"
    "  lookup FILE VALUE              a release value such as NAME or VERSION\n"
    "  compose FILE PATH              the element's text with its descendants, no whitespace\n"
    "  text FILE PATH                 the element's text, through its gd or CDATA child\n"
    "  release-id FILE PRODUCT INDEX  the entry INDEX (from 0) of the product's release order\n"
    "  product-id FILE INDEX          the id of the product INDEX (from 0)\n"
    "  format-version FILE            the version of the <?zel?> instruction\n"
    "  build-id FILE                  the build's id\n"
    "  build-href FILE                the build's href\n"
    "  downlevel FILE PRODUCT         the product's downlevel attribute\n"
    "  category FILE PRODUCT          the product's category\n"
    "  title-version FILE             the build's title and version, one line each\n"
    "  build-file FILE                the build file's name, size, crc, release date, readme\n"
    "  resolve FILE PATH              the value of the pd, gd or other node at PATH\n"
    "  check MEDIA_DIR                a preflight of setup media, per language (--lang, any\n"
    "                                 number; default all), with --program-files, --start-menu,\n"
    "                                 --desktop DIR for the target's folders, --json,\n"
    "                                 --data-only (no file set: media in the making); exit 1:\n"
    "                                 problems found (the report is still printed)\n"
    "  ini FILE SECTION KEY           a profile value as setup reads it, then FILE:LINE: of\n"
    "                                 its origin; with --lang, %KEY% resolved as setup does\n"
    "  encode FILE                    FILE's UTF-8 text in the code page, as setup converts it\n"
    "  decode FILE                    FILE's bytes, read in the code page, as UTF-8\n"
    "encode and decode take FILE unparsed, - for standard input.\n";

enum SubcommandFlags {
    AcceptsHtml = 1,
    AcceptsReleaseAndProduct = 2,
    ReadsProfile = 4,
    AcceptsHex = 8,
    ChecksMedia = 16, // reads a media folder, and reports on stdout also with problems (exit 1)
};

struct Subcommand {
    const char* name;
    unsigned minimumArguments; // FILE included
    unsigned maximumArguments;
    unsigned flags;
    Handler handler;           // none for parse (which reads the text), ini, check, encode, decode
    unsigned indexArgument;    // the position of an INDEX argument (FILE is 0); 0 for none
    BytesHandler bytesHandler; // in place of handler: FILE unparsed, "-" standard input
};

int runTree(const XmlDocument& document, const CommandLine&, std::string* out, std::string*) {
    for (uint32_t i = 0; i < document.count; ++i)
        appendTree(out, document.nodes[i], 0);
    return Done;
}

int runSelect(const XmlDocument& document, const CommandLine& line, std::string* out,
              std::string* reason) {
    const XmlNode* node = nullptr;
    if (!selectNode(line.arguments[1].c_str(), &document, &node)) {
        *reason = "no node at " + line.arguments[1];
        return Failed;
    }
    appendNodeLine(out, *node, 0);
    return Done;
}

const Subcommand subcommands[] = {
    {"parse", 1, 1, 0, nullptr, 0, nullptr},
    {"tree", 1, 1, AcceptsHtml, runTree, 0, nullptr},
    {"select", 2, 2, 0, runSelect, 0, nullptr},
    {"choose", 2, 3, 0, runChoose, 0, nullptr},
    {"lookup", 2, 2, AcceptsReleaseAndProduct, runLookup, 0, nullptr},
    {"compose", 2, 2, 0, runCompose, 0, nullptr},
    {"text", 2, 2, 0, runText, 0, nullptr},
    {"release-id", 3, 3, 0, runReleaseId, 2, nullptr},
    {"product-id", 2, 2, 0, runProductId, 1, nullptr},
    {"format-version", 1, 1, 0, runFormatVersion, 0, nullptr},
    {"build-id", 1, 1, 0, runBuildId, 0, nullptr},
    {"build-href", 1, 1, 0, runBuildHref, 0, nullptr},
    {"downlevel", 2, 2, 0, runDownlevel, 0, nullptr},
    {"category", 2, 2, 0, runCategory, 0, nullptr},
    {"title-version", 1, 1, 0, runTitleVersion, 0, nullptr},
    {"build-file", 1, 1, 0, runBuildFile, 0, nullptr},
    {"resolve", 2, 2, 0, runResolve, 0, nullptr},
    {"ini", 3, 3, ReadsProfile, nullptr, 0, nullptr},
    {"check", 1, 1, ChecksMedia, nullptr, 0, nullptr},
    {"encode", 1, 1, AcceptsHex, nullptr, 0, runEncode},
    {"decode", 1, 1, AcceptsHex, nullptr, 0, runDecode},
};

const Subcommand* findSubcommand(const std::string& name) {
    for (const Subcommand& subcommand : subcommands) {
        if (name == subcommand.name)
            return &subcommand;
    }
    return nullptr;
}

// The checks of the command line against the subcommand; false with a reason.
bool checkUsage(const Subcommand& subcommand, const CommandLine& line, std::string* reason) {
    size_t count = line.arguments.size();
    if (count < subcommand.minimumArguments) {
        *reason = count ? "missing arguments for " + line.subcommand : "missing FILE";
        return false;
    }
    if (count > subcommand.maximumArguments) {
        *reason = "too many arguments for " + line.subcommand;
        return false;
    }
    if (line.html && !(subcommand.flags & AcceptsHtml)) {
        *reason = "--html applies to tree only";
        return false;
    }
    if ((line.releaseGiven || line.productGiven) &&
        !(subcommand.flags & AcceptsReleaseAndProduct)) {
        *reason = "--release and --product apply to lookup only";
        return false;
    }
    if (line.hex && !(subcommand.flags & AcceptsHex)) {
        *reason = "--hex applies to encode and decode only";
        return false;
    }
    if (line.defaultGiven && !(subcommand.flags & ReadsProfile)) {
        *reason = "--default applies to ini only";
        return false;
    }
    if ((line.json || line.dataOnly || line.programFilesGiven || line.startMenuGiven ||
         line.desktopGiven || line.languages.size() > 1) &&
        !(subcommand.flags & ChecksMedia)) {
        *reason = "--json, --data-only, --program-files, --start-menu, --desktop and more than "
                  "one --lang apply to check only";
        return false;
    }
    uint32_t index = 0;
    if (subcommand.indexArgument && !parseIndex(line.arguments[subcommand.indexArgument], &index)) {
        *reason = "bad INDEX \"" + line.arguments[subcommand.indexArgument] + "\"";
        return false;
    }
    if (line.codePageGiven &&
        (!isProductCodePage(line.codePage) || !setAnsiCodePage(line.codePage))) {
        *reason = "code page " + std::to_string(line.codePage) +
                  " is not one of 1252, 932, 936, 949 and 950";
        return false;
    }
    return true;
}

int fail(int code, const std::string& reason) {
    fprintf(stderr, "zelcat: %s\n", reason.c_str());
    return code;
}

// Where and why the parse of a catalog failed; HTML mode is not diagnosed.
std::string parseFailure(const std::string& path, const char* text, uint32_t length, bool html) {
    if (!html) {
        CatalogDiagnosis diagnosis = diagnoseCatalog(text, length);
        if (!diagnosis.parses)
            return locatedFinding(path, diagnosis.failure);
    }
    return path + ": the parse failed";
}

// parse: one line per warning, then the verdict.
int runParse(const std::string& path, const char* text, uint32_t length, std::string* out) {
    CatalogDiagnosis diagnosis = diagnoseCatalog(text, length);
    for (const CatalogFinding& warning : diagnosis.warnings) {
        CatalogFinding shown = warning;
        shown.reason = "warning: " + warning.reason;
        *out += locatedFinding(path, shown) + "\n";
    }
    size_t count = diagnosis.warnings.size();
    *out += path + ": parses";
    if (count)
        *out += ", " + std::to_string(count) + (count == 1 ? " warning" : " warnings");
    *out += "\n";
    return Done;
}

// The catalog subcommands: FILE parsed whole, then the subcommand's operation.
int runCatalog(const Subcommand& subcommand, const CommandLine& line, std::string* out,
               std::string* reason) {
    const std::string& path = line.arguments[0];
    std::vector<char> text;
    if (!readWholeFile(path, &text)) {
        *reason = "cannot read " + path;
        return UsageError;
    }
    if (text.size() >= 0xFFFFFFFFu) {
        *reason = path + " is too large";
        return UsageError;
    }
    const char* bytes = text.empty() ? "" : text.data();
    uint32_t length = (uint32_t)text.size();
    XmlDocument* document = parseDocument(bytes, length, line.html);
    if (!document) {
        *reason = parseFailure(path, bytes, length, line.html);
        return Failed;
    }
    int code = subcommand.handler ? subcommand.handler(*document, line, out, reason)
                                  : runParse(path, bytes, length, out);
    releaseDocument(document);
    heapFree(document);
    return code;
}

// The lines of the help that describe one subcommand.
std::string subcommandHelp(const std::string& name) {
    std::string help = std::string(UsageLine) + "\n", text = HelpText;
    bool within = false;
    for (size_t at = 0, end; at < text.size(); at = end + 1) {
        end = text.find('\n', at);
        std::string line = text.substr(at, end - at);
        if (line.compare(0, 2 + name.size() + 1, "  " + name + " ") == 0)
            within = true;
        else if (line.compare(0, 4, "    ") != 0 || line.compare(0, 33, std::string(33, ' ')))
            within = false;
        if (within)
            help += line + "\n";
    }
    return help;
}

int run(int argc, char** argv) {
    if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
        fputs(HelpText, stdout);
        return Done;
    }
    if (argc < 2)
        return fail(UsageError, "no subcommand: zelcat --help lists them");
    if (argc == 3 && std::string(argv[2]) == "--help") {
        if (!findSubcommand(argv[1]))
            return fail(UsageError, std::string("unknown subcommand ") + argv[1] +
                                        ": zelcat --help lists them");
        fputs(subcommandHelp(argv[1]).c_str(), stdout);
        return Done;
    }
    CommandLine line;
    std::string reason;
    if (!parseCommandLine(argc, argv, &line, &reason))
        return fail(UsageError, reason + " (" + UsageLine + ")");
    const Subcommand* subcommand = findSubcommand(line.subcommand);
    if (!subcommand)
        return fail(UsageError,
                    "unknown subcommand " + line.subcommand + ": zelcat --help lists them");
    if (!checkUsage(*subcommand, line, &reason))
        return fail(UsageError, reason);

    std::string out;
    int code;
    if (subcommand->bytesHandler) {
        const std::string& path = line.arguments[0];
        std::vector<char> text;
        if (!(path == "-" ? readAll(stdin, &text) : readWholeFile(path, &text)))
            return fail(UsageError, "cannot read " + path);
        code = subcommand->bytesHandler(text, line, &out, &reason);
    } else {
        code = subcommand->flags & ReadsProfile  ? runIni(line, &out, &reason)
               : subcommand->flags & ChecksMedia ? runCheck(line, &out, &reason)
                                                 : runCatalog(*subcommand, line, &out, &reason);
    }
    // A check that found problems still prints its report; stderr says so.
    if (code != Done && (out.empty() || !(subcommand->flags & ChecksMedia)))
        return fail(code, reason);
    if (fwrite(out.data(), 1, out.size(), stdout) != out.size() || fflush(stdout) != 0)
        return fail(Failed, "cannot write the output");
    if (code != Done)
        return fail(code, "problems found in " + line.arguments[0]);
    return Done;
}

} // namespace

int main(int argc, char** argv) {
#if defined(_WIN32)
    // Newlines are bytes of the interface, not text to translate.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    return run(argc, argv);
}
