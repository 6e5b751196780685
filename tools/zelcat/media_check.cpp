#include "tools/zelcat/media_check.h"

#include <stdio.h>
#include <string.h>

#include <vector>

#include "base/bounded_text.h"
#include "base/local_heap.h"
#include "catalog/conditional_selection.h"
#include "catalog/path_query.h"
#include "catalog/release_lookup.h"
#include "catalog/value_element.h"
#include "languages.h"
#include "setupdata/string_reference.h"
#include "tools/zelcat/catalog_diagnosis.h"
#include "tools/zelcat/file_bytes.h"
#include "tools/zelcat/profile_source.h"
#include "tools/zelcat/queries.h"
#include "xml/code_pages.h"
#include "xml/text_conversion.h"
#include "xml/xml_document.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace {

// The folders setup builds its paths on depend on the target machine: the check uses the
// usual (and for the Start menu the longest usual) folders of each family, which options
// replace.
struct Family {
    const char* name;
    std::string programs;
    std::string startMenu;
    std::string desktop;
};

struct Bases {
    std::string programFiles;
    std::string windowsDrive;
    Family families[2];
};

Bases defaultBases(const CommandLine& line) {
    Bases bases = {"C:\\Program Files",
                   "C:",
                   {{"NT", "C:\\Documents and Settings\\All Users\\Start Menu\\Programs",
                     "C:\\Documents and Settings\\All Users\\Start Menu",
                     "C:\\Documents and Settings\\Administrator\\Desktop"},
                    {"9x", "C:\\WINDOWS\\Profiles\\Administrator\\Start Menu\\Programs",
                     "C:\\WINDOWS\\Profiles\\Administrator\\Start Menu",
                     "C:\\WINDOWS\\Profiles\\Administrator\\Desktop"}}};
    if (line.programFilesGiven)
        bases.programFiles = line.programFiles;
    for (Family& family : bases.families) {
        if (line.startMenuGiven) {
            family.startMenu = line.startMenu;
            family.programs = line.startMenu + "\\Programs";
        }
        if (line.desktopGiven)
            family.desktop = line.desktop;
    }
    return bases;
}

// The files of the set as the media hold them (row 3 in both forms), and the longest name the
// set has in the program folder.
const char* const mediaFiles[] = {"setup.exe",    "Quolen",       nullptr,        "ZelSetup.dat",
                                  "ZelSetup.dll", "ZELSYSID.sys", "ZELSYSID.vxd", "zelliba.dll",
                                  "zellibb.dll",  "unicows.dll",  "ZELNTDEV.sys", "ZelFlash.dll"};
const size_t LongestInstalledName = 12; // "ZelSetup.dat", "ZELNTDEV.sys", ...
const char SearchPathKey[] = "SOFTWARE\\NRX\\KestraneSoftwareInstaller\\SearchPath\\";

struct Finding {
    std::string file;
    unsigned line;
    std::string reason;
    std::vector<uint16_t> languages; // none: for every language
};

struct Row {
    uint16_t language;
    const char* languageName;
    unsigned codePage;
    std::string productName; // UTF-8, as setup records it converted back
    std::string version;
    std::string programFolder;
    std::string quolenExe;
    std::string menuFolders[2]; // per family
    int internetFunction;
};

struct Check {
    std::string folder;
    Bases bases;
    bool catalogMode;
    std::string releaseFile; // the release source's name on the media
    std::vector<char> catalogText;
    XmlDocument* catalog;
    ProfileSource setupData;
    ProfileSource release;
    bool setupDataRead;
    std::vector<Row> rows;
    std::vector<Finding> problems;
    std::vector<Finding> warnings;
};

enum Kind { Missing, IsFile, IsFolder };

Kind kindOf(const std::string& path) {
#if defined(_WIN32)
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return Missing;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? IsFolder : IsFile;
#else
    struct stat status;
    if (stat(path.c_str(), &status) != 0)
        return Missing;
    return S_ISDIR(status.st_mode) ? IsFolder : IsFile;
#endif
}

std::string mediaPath(const Check& check, const char* name) {
    return check.folder + "/" + name;
}

// A finding once, whatever the number of languages it is found for.
void add(std::vector<Finding>* findings, const std::string& file, unsigned line,
         const std::string& reason, uint16_t language = 0) {
    for (Finding& finding : *findings) {
        if (finding.file == file && finding.line == line && finding.reason == reason) {
            if (language)
                finding.languages.push_back(language);
            return;
        }
    }
    findings->push_back({file, line, reason, {}});
    if (language)
        findings->back().languages.push_back(language);
}

std::string number(size_t value) {
    return std::to_string(value);
}

// A text for a one-line reason: a long one by its beginning and its length.
std::string excerpt(const std::string& text) {
    if (text.size() <= 60)
        return "\"" + text + "\"";
    size_t cut = 40;
    while (cut > 0 && ((unsigned char)text[cut] & 0xC0) == 0x80)
        --cut; // not inside a UTF-8 character
    return "\"" + text.substr(0, cut) + "...\" (" + number(text.size()) + " bytes)";
}

// Bytes of a code page as UTF-8, for the report, and back; "" when the conversion fails.
std::string toUtf8(unsigned codePage, const std::string& bytes) {
    std::string text;
    convertWhole(codePageToUtf8, codePage, bytes.data(), bytes.size(), &text);
    return text;
}

std::string fromUtf8(unsigned codePage, const std::string& text) {
    std::string bytes;
    convertWhole(utf8ToCodePage, codePage, text.data(), text.size(), &bytes);
    return bytes;
}

// The line of a byte of the catalog's text (from 1).
unsigned lineAt(const Check& check, uint32_t offset) {
    unsigned line = 1;
    for (uint32_t i = 0; i < offset && i < check.catalogText.size(); ++i)
        line += check.catalogText[i] == '\n';
    return line;
}

// The line of a node of the parsed catalog: its name lies in the copy of the text at the same
// offset as in the file.
unsigned nodeLine(const Check& check, const char* catalogPath) {
    const XmlNode* node = nullptr;
    if (!check.catalog || !selectNode(catalogPath, check.catalog, &node))
        return 0;
    return lineAt(check, (uint32_t)(node->name - check.catalog->source));
}

// The line of a release value's text for a language: the value element's, or, when it holds a
// selection by language, the line of the data element that the selection chooses.
unsigned valueLine(const Check& check, const std::string& element,
                   const QueryEnvironment& environment) {
    const XmlNode* node = nullptr;
    unsigned line = nodeLine(check, element.c_str());
    if (!selectNode(element.c_str(), check.catalog, &node) || !node->children ||
        node->children->count != 1 || strcmp(node->children->nodes[0].name, "gd") != 0)
        return line;
    const XmlNode* gd = &node->children->nodes[0];
    char path[TextBufferSize] = "";
    const char* absolute = firstAttribute(gd, "path");
    const char* below = firstAttribute(gd, "zelpath");
    if (!(absolute ? copyText(path, sizeof path, absolute)
                   : below && formatText(path, sizeof path, "/build/zel[@id=QUOLEN]/%s", below)) ||
        !selectConditionalItem(path, sizeof path, gd->text, check.catalog, &environment))
        return line;
    unsigned chosen = nodeLine(check, path);
    return chosen ? chosen : line;
}

// What is wrong with one component of a folder or file name, or "".
std::string nameFault(const std::string& component) {
    for (unsigned char c : component) {
        if (c < 0x20)
            return "holds a control character, which Windows refuses in file names";
        if (strchr("<>:\"/\\|?*", c))
            return std::string("holds \"") + (char)c + "\", which Windows refuses in file names";
    }
    // CON, PRN, AUX, NUL, COM1-9, LPT1-9 name devices, also with an extension.
    std::string base = component.substr(0, component.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    std::string upper;
    for (char c : base)
        upper += upperAscii(c);
    bool device = upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL" ||
                  (upper.size() == 4 &&
                   (upper.compare(0, 3, "COM") == 0 || upper.compare(0, 3, "LPT") == 0) &&
                   upper[3] >= '1' && upper[3] <= '9');
    if (device)
        return "names the device \"" + base + "\", which Windows refuses as a file name";
    return "";
}

// The pieces of text between any of the separators, empty ones included.
std::vector<std::string> split(const std::string& text, const char* separators) {
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (strchr(separators, c))
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

// A language's full id (a primary-only id of the resources with its default sublanguage).
uint16_t fullLanguageId(uint16_t id) {
    return id < 0x400 ? (uint16_t)(id | 0x400) : id;
}

// What a catalog selection matches on a system of that language.
QueryEnvironment languageEnvironment(uint16_t id) {
    QueryEnvironment environment = {};
    environment.systemLanguage = id;
    environment.systemLanguagePrimary = id & 0x3FF;
    return environment;
}

// Why a relative folder name (UTF-8) leads out of the folder it is put below, or "".
std::string escapeFault(const std::string& name, bool leadingBackslashAllowed) {
    std::string rest = name;
    if (leadingBackslashAllowed && !rest.empty() && rest[0] == '\\')
        rest.erase(0, 1);
    if (rest.size() >= 2 && rest[1] == ':')
        return "names a drive: the folder lies outside the one setup puts it in";
    if (!rest.empty() && (rest[0] == '\\' || rest[0] == '/'))
        return "is an absolute path: the folder lies outside the one setup puts it in";
    for (const std::string& part : split(rest, "\\/")) {
        if (part == "..")
            return "climbs out with \"..\": the folder lies outside the one setup puts it in";
    }
    for (const std::string& part : split(rest, "\\/")) {
        if (part.empty() || part == ".")
            continue;
        std::string fault = nameFault(part);
        if (!fault.empty())
            return "\"" + part + "\" " + fault;
    }
    return "";
}

// One setting of the setup data as setup reads it for a language: its bytes in the language's
// code page, where the value came from, and whether setup's 260-byte read cut it.
struct Setting {
    std::string bytes;
    bool found;
    unsigned line;
    std::string origin; // "[INIT] TARGET" or "[INIT] TARGET -> [STRINGS.0407] TARGET"
    bool cut;
};

Setting readSetting(ProfileSource* source, const char* section, const char* key,
                    uint16_t language) {
    char value[TextBufferSize] = "";
    source->reads.clear();
    unsigned count = resolveSetupString(section, key, "", value, sizeof value, language,
                                        language & 0x3FF, readFromProfileSource, source);
    Setting setting = {std::string(value, count), count != 0, 0, "", false};
    setting.origin = std::string("[") + section + "] " + key;
    const ProfileRead& last = source->reads.back();
    setting.line = last.line ? last.line : source->reads.front().keyLine;
    if (source->reads.size() > 1 && count)
        setting.origin += " -> [" + last.section + "] " + last.key;
    if (count == TextBufferSize - 1) {
        std::vector<char> whole(65536);
        setting.cut = readFromProfileSource(last.section.c_str(), last.key.c_str(), "",
                                            whole.data(), (unsigned)whole.size(), source) > count;
    }
    return setting;
}

// A setting's bytes that the language's code page does not read back as they are.
bool validIn(unsigned codePage, const std::string& bytes) {
    return fromUtf8(codePage, toUtf8(codePage, bytes)) == bytes;
}

void checkFileSet(Check* check) {
    for (const char* listed : mediaFiles) {
        std::string name = listed ? listed : check->releaseFile;
        if (name.empty())
            continue;
        Kind kind = kindOf(mediaPath(*check, name.c_str()));
        if (kind == IsFile)
            continue;
        std::string what = kind == Missing ? "is missing" : "is a folder, not a file";
        std::string note = name == "unicows.dll"
                               ? "; on Windows 98 and Me setup itself needs it (code 8 there)"
                               : "";
        add(&check->problems, name, 0,
            what + ": the install fails at its files step, before anything is in place (code 9)" +
                note);
    }
}

// The release source as setup chooses it: the release file when it is one, else the catalog.
bool chooseReleaseSource(Check* check) {
    check->catalogMode = false;
    if (kindOf(mediaPath(*check, "Quolen.zel")) == IsFile &&
        openProfileSource(mediaPath(*check, "Quolen.zel"), &check->release)) {
        char marker[TextBufferSize];
        if (readFromProfileSource("ZEL", "XRELEASE", "", marker, sizeof marker, &check->release) !=
            0) {
            check->releaseFile = "Quolen.zel";
            return true;
        }
        add(&check->warnings, "Quolen.zel", 0,
            "holds no [ZEL] XRELEASE: it is no release file, and setup takes the catalog "
            "NRXZEL.xml instead");
    }
    if (kindOf(mediaPath(*check, "NRXZEL.xml")) != IsFile) {
        add(&check->problems, "NRXZEL.xml", 0,
            "no release source: neither a release file Quolen.zel with [ZEL] XRELEASE nor a "
            "catalog NRXZEL.xml (code 8)");
        return false;
    }
    check->catalogMode = true;
    check->releaseFile = "NRXZEL.xml";
    if (!readWholeFile(mediaPath(*check, "NRXZEL.xml"), &check->catalogText)) {
        add(&check->problems, "NRXZEL.xml", 0, "cannot be read (code 8)");
        return false;
    }
    const char* text = check->catalogText.empty() ? "" : check->catalogText.data();
    uint32_t length = (uint32_t)check->catalogText.size();
    CatalogDiagnosis diagnosis = diagnoseCatalog(text, length);
    for (const CatalogFinding& warning : diagnosis.warnings)
        add(&check->warnings, "NRXZEL.xml", warning.line, warning.reason);
    check->catalog = parseDocument(text, length, false);
    if (!check->catalog) {
        add(&check->problems, "NRXZEL.xml", diagnosis.failure.line,
            diagnosis.failure.reason + " (setup refuses the catalog: code 8)");
        return false;
    }
    return true;
}

// The product name or version for a language, as setup reads it: bytes in the code page.
struct ReleaseValue {
    std::string bytes;
    bool found;
    bool empty; // found empty, which setup takes for missing
    unsigned line;
    std::string file;
};

ReleaseValue readReleaseValue(Check* check, const char* valueName, const ResourceLanguage& language,
                              uint16_t languageId) {
    ReleaseValue value = {"", false, false, 0, check->releaseFile};
    if (!check->catalogMode) {
        Setting setting = readSetting(&check->release, "RELEASE", valueName, languageId);
        value.bytes = setting.bytes;
        value.found = setting.found;
        value.line = setting.line;
        if (setting.cut)
            add(&check->problems, check->releaseFile, setting.line,
                setting.origin + " is longer than 259 characters: setup reads only its first 259",
                languageId);
        return value;
    }
    QueryEnvironment environment = languageEnvironment(languageId);
    std::string element = std::string("/build/zel[@id=QUOLEN]/xrelease/release[@id=RELEASE]/") +
                          (strcmp(valueName, "NAME") == 0 ? "title" : "version");
    value.line = valueLine(*check, element, environment);
    char answer[TextBufferSize];
    setAnsiCodePage(language.codePage);
    int found = lookupReleaseValue("RELEASE", valueName, answer, sizeof answer, "QUOLEN",
                                   check->catalog, &environment, -1);
    if (found == 1) {
        value.bytes = answer;
        value.found = true;
    } else if (found == -1) {
        value.empty = true;
    } else {
        // Too long for setup's buffer, or not there at all.
        std::vector<char> whole(65536);
        if (lookupReleaseValue("RELEASE", valueName, whole.data(), (uint32_t)whole.size(), "QUOLEN",
                               check->catalog, &environment, -1) == 1)
            add(&check->problems, "NRXZEL.xml", value.line,
                std::string(valueName) + " for " + number(strlen(whole.data())) +
                    " bytes does not fit setup's 260 in code page " + number(language.codePage) +
                    " (code 8)",
                languageId);
    }
    return value;
}

void checkPath(Check* check, const std::string& file, unsigned line, const std::string& what,
               size_t bytes, const std::string& consequence, uint16_t language) {
    if (bytes + 1 > TextBufferSize)
        add(&check->problems, file, line,
            what + " needs " + number(bytes + 1) + " bytes of setup's 260: " + consequence,
            language);
}

void checkName(Check* check, const ReleaseValue& name, const Row& row) {
    if (!name.found) {
        add(&check->problems, name.file, name.line,
            name.empty ? "the product name is empty, which setup takes for none (code 8)"
                       : "no product name for this language (code 8)",
            row.language);
        return;
    }
    std::string fault = nameFault(row.productName);
    if (!fault.empty())
        add(&check->problems, name.file, name.line,
            "the product name \"" + row.productName + "\" is also the shortcuts' file name and " +
                fault + " (code 11, after the files are in place)",
            row.language);
}

void checkLanguage(Check* check, const ResourceLanguage& language) {
    uint16_t id = fullLanguageId(language.id);
    unsigned codePage = language.codePage;
    Row row = {id, language.name, codePage, "", "", "", "", {"", ""}, 0};

    ReleaseValue name = readReleaseValue(check, "NAME", language, id);
    ReleaseValue version = readReleaseValue(check, "VERSION", language, id);
    row.productName = toUtf8(codePage, name.bytes);
    row.version = toUtf8(codePage, version.bytes);
    checkName(check, name, row);
    if (!version.found)
        add(&check->problems, version.file, version.line,
            version.empty ? "the version is empty, which setup takes for none (code 8)"
                          : "no version for this language (code 8)",
            id);
    if (check->catalogMode && name.found) {
        // What setup records is the name in the code page: characters it lacks are lost.
        setAnsiCodePage(65001);
        char source[TextBufferSize * 4];
        QueryEnvironment environment = languageEnvironment(id);
        if (lookupReleaseValue("RELEASE", "NAME", source, sizeof source, "QUOLEN", check->catalog,
                               &environment, -1) == 1 &&
            row.productName != source)
            add(&check->problems, "NRXZEL.xml", name.line,
                std::string("the product name \"") + source + "\" holds characters code page " +
                    number(codePage) + " lacks: setup records \"" + row.productName + "\"",
                id);
    } else if (!check->catalogMode && name.found && !validIn(codePage, name.bytes)) {
        add(&check->problems, name.file, name.line,
            "the product name is no valid text in code page " + number(codePage), id);
    }

    if (check->setupDataRead) {
        ProfileSource* data = &check->setupData;
        Setting target = readSetting(data, "INIT", "TARGET", id);
        Setting group = readSetting(data, "INIT", "GROUP", id);
        for (const Setting* setting : {&target, &group}) {
            if (setting->cut)
                add(&check->problems, "ZelSetup.dat", setting->line,
                    setting->origin +
                        " is longer than 259 characters: setup reads only its first 259",
                    id);
            if (setting->found && !validIn(codePage, setting->bytes))
                add(&check->problems, "ZelSetup.dat", setting->line,
                    setting->origin + " is no valid text in code page " + number(codePage), id);
        }
        std::string programFiles = fromUtf8(codePage, check->bases.programFiles);
        if (!target.found) {
            add(&check->problems, "ZelSetup.dat", target.line,
                "[INIT] TARGET is missing: a fresh install fails after the dialog (code 8)", id);
        } else {
            std::string folder = programFiles + "\\" + target.bytes;
            row.programFolder = toUtf8(codePage, folder);
            row.quolenExe = toUtf8(codePage, folder + "\\\\Quolen.exe");
            std::string fault = escapeFault(toUtf8(codePage, target.bytes), false);
            if (!fault.empty())
                add(&check->problems, "ZelSetup.dat", target.line, target.origin + " " + fault, id);
            checkPath(check, "ZelSetup.dat", target.line, "the program folder", folder.size(),
                      "setup cannot make its path (code 8)", id);
            checkPath(check, "ZelSetup.dat", target.line, "the path of Quolen.exe",
                      folder.size() + 12, "setup cannot make it (code 8)", id);
            checkPath(check, "ZelSetup.dat", target.line, "the longest path of the file set",
                      folder.size() + 1 + LongestInstalledName, "the files step fails (code 9)",
                      id);
        }
        if (!group.found) {
            add(&check->problems, "ZelSetup.dat", group.line,
                "[INIT] GROUP is missing: the install fails (code 8)", id);
        } else {
            // A GROUP beginning with "." names the Programs folder: setup ignores the rest.
            std::string fault = escapeFault(toUtf8(codePage, group.bytes), true);
            if (!fault.empty() && group.bytes[0] != '.')
                add(&check->problems, "ZelSetup.dat", group.line, group.origin + " " + fault, id);
        }
        for (int f = 0; f < 2 && group.found; ++f) {
            const Family& family = check->bases.families[f];
            std::string programs = fromUtf8(codePage, family.programs);
            std::string startMenu = fromUtf8(codePage, family.startMenu);
            std::string menu = group.bytes[0] == '.' ? programs
                               : group.bytes[0] == '\\'
                                   ? startMenu + (group.bytes.size() > 1 ? group.bytes : "")
                                   : programs + "\\" + group.bytes;
            row.menuFolders[f] = toUtf8(codePage, menu);
            std::string onFamily = std::string(" on the ") + family.name + " family";
            checkPath(check, "ZelSetup.dat", group.line, "the menu folder" + onFamily, menu.size(),
                      "setup cannot make its path (code 8)", id);
            if (name.found) {
                checkPath(check, "ZelSetup.dat", group.line,
                          "the menu folder's shortcut" + onFamily,
                          menu.size() + 1 + name.bytes.size() + 4,
                          "setup cannot make its path (code 8)", id);
                std::string desktop = fromUtf8(codePage, family.desktop);
                checkPath(check, name.file, name.line, "the desktop shortcut" + onFamily,
                          desktop.size() + 1 + name.bytes.size() + 4,
                          "its creation fails after the files are in place (code 11)", id);
                checkPath(check, name.file, name.line, "the Start-menu shortcut" + onFamily,
                          startMenu.size() + 1 + name.bytes.size() + 4,
                          "its creation fails after the files are in place (code 11)", id);
            }
        }

        Setting search = readSetting(data, "INIT", "DEFAULTSEARCH", id);
        for (const std::string& piece : split(search.found ? search.bytes : "", ";")) {
            if (piece.find_first_not_of('\\') != std::string::npos)
                checkPath(check, "ZelSetup.dat", search.line,
                          "the search path key of " + excerpt(toUtf8(codePage, piece)),
                          strlen(SearchPathKey) + piece.size(),
                          "its registration fails after the files are in place (code 12)", id);
        }
        Setting download = readSetting(data, "INIT", "DOWNLOAD", id);
        for (const std::string& piece : split(download.found ? download.bytes : "", ";")) {
            std::string text = toUtf8(codePage, piece);
            if (!piece.empty() && piece[0] != '\\')
                add(&check->problems, "ZelSetup.dat", download.line,
                    "[INIT] DOWNLOAD piece \"" + text +
                        "\" does not begin with \"\\\": it names no folder below the root of the "
                        "Windows drive",
                    id);
            else if (!piece.empty()) {
                std::string fault = escapeFault(text, true);
                if (!fault.empty())
                    add(&check->problems, "ZelSetup.dat", download.line,
                        "[INIT] DOWNLOAD piece \"" + text + "\" " + fault, id);
                checkPath(check, "ZelSetup.dat", download.line,
                          "the download folder \"" + check->bases.windowsDrive + text + "\"",
                          check->bases.windowsDrive.size() + piece.size(),
                          "setup passes over it and keeps C:\\DRIVERS", id);
            }
        }
        Setting file = readSetting(data, "RADAR", "FILE", id);
        Setting alternative = readSetting(data, "RADAR", "ALTFILE", id);
        row.internetFunction = file.found && file.bytes[0] != '.'                 ? 1
                               : alternative.found && alternative.bytes[0] != '.' ? 2
                                                                                  : 0;
    }
    check->rows.push_back(row);
}

// The languages asked for (--lang, repeatable), or those of the resources.
std::vector<ResourceLanguage> chosenLanguages(const CommandLine& line) {
    std::vector<ResourceLanguage> chosen;
    for (uint16_t id : line.languages) {
        // The code page of the language, else of its primary language, else the Western one.
        ResourceLanguage language = {id, "", 1252, "(no resource language)"};
        for (int pass = 0; pass < 2 && !*language.locale; ++pass) {
            for (const ResourceLanguage& known : resourceLanguages) {
                if (pass == 0 ? (fullLanguageId(known.id) == id || known.id == id)
                              : (known.id & 0x3FF) == (id & 0x3FF)) {
                    language = {id, known.locale, known.codePage, known.name};
                    break;
                }
            }
        }
        chosen.push_back(language);
    }
    if (chosen.empty())
        chosen.assign(std::begin(resourceLanguages), std::end(resourceLanguages));
    return chosen;
}

std::string hex4(uint16_t value) {
    char text[8];
    formatText(text, sizeof text, "%04X", (unsigned)value);
    return text;
}

std::string place(const Finding& finding) {
    return finding.file + (finding.line ? ":" + number(finding.line) : "");
}

std::string languageList(const Finding& finding, size_t all) {
    if (finding.languages.empty() || finding.languages.size() == all)
        return "";
    std::string list = " (";
    for (size_t i = 0; i < finding.languages.size(); ++i)
        list += (i ? " " : "") + hex4(finding.languages[i]);
    return list + ")";
}

void appendText(std::string* out, const Check& check, const std::string& media) {
    *out += "zelcat check " + media + ": release source " + check.releaseFile +
            (check.releaseFile.empty() ? "none" : "") + "\n";
    *out += "bases: Program Files " + check.bases.programFiles + ", Windows drive " +
            check.bases.windowsDrive + "\n";
    for (const Family& family : check.bases.families)
        *out += std::string("  ") + family.name + ": Programs " + family.programs +
                ", Start menu " + family.startMenu + ", desktop " + family.desktop + "\n";
    *out += "\n| language | code page | product name | version | program folder | menu folder |"
            "\n|---|---|---|---|---|---|\n";
    for (const Row& row : check.rows)
        *out += "| " + hex4(row.language) + " " + row.languageName + " | " + number(row.codePage) +
                " | " + row.productName + " | " + row.version + " | " + row.programFolder + " | " +
                row.menuFolders[0] + " |\n";
    for (const auto& [list, title] : {std::make_pair(&check.problems, "problems"),
                                      std::make_pair(&check.warnings, "warnings")}) {
        *out += "\n" + std::string(title) + ": " + number(list->size()) + "\n";
        for (const Finding& finding : *list)
            *out += place(finding) + ": " + finding.reason +
                    languageList(finding, check.rows.size()) + "\n";
    }
}

std::string jsonString(const std::string& text) {
    std::string quoted = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += (char)c;
        } else if (c < 0x20) {
            char escaped[8];
            formatText(escaped, sizeof escaped, "\\u%04X", (unsigned)c);
            quoted += escaped;
        } else {
            quoted += (char)c;
        }
    }
    return quoted + "\"";
}

void appendJson(std::string* out, const Check& check, const std::string& media) {
    *out += "{\"media\": " + jsonString(media) + ",\n \"releaseSource\": " +
            (check.releaseFile.empty() ? "null" : jsonString(check.releaseFile)) +
            ",\n \"bases\": {\"programFiles\": " + jsonString(check.bases.programFiles) +
            ", \"windowsDrive\": " + jsonString(check.bases.windowsDrive);
    for (const Family& family : check.bases.families)
        *out += ", " + jsonString(family.name) + ": {\"programs\": " + jsonString(family.programs) +
                ", \"startMenu\": " + jsonString(family.startMenu) +
                ", \"desktop\": " + jsonString(family.desktop) + "}";
    *out += "},\n \"languages\": [";
    for (size_t i = 0; i < check.rows.size(); ++i) {
        const Row& row = check.rows[i];
        *out += std::string(i ? "," : "") + "\n  {\"language\": " + jsonString(hex4(row.language)) +
                ", \"name\": " + jsonString(row.languageName) +
                ", \"codePage\": " + number(row.codePage) +
                ", \"productName\": " + jsonString(row.productName) +
                ", \"version\": " + jsonString(row.version) +
                ", \"programFolder\": " + jsonString(row.programFolder) +
                ", \"quolenExe\": " + jsonString(row.quolenExe) +
                ", \"menuFolder\": {\"NT\": " + jsonString(row.menuFolders[0]) +
                ", \"9x\": " + jsonString(row.menuFolders[1]) +
                "}, \"internetFunction\": " + number((size_t)row.internetFunction) + "}";
    }
    *out += "]";
    for (const auto& [list, title] : {std::make_pair(&check.problems, "problems"),
                                      std::make_pair(&check.warnings, "warnings")}) {
        *out += ",\n \"" + std::string(title) + "\": [";
        for (size_t i = 0; i < list->size(); ++i) {
            const Finding& finding = (*list)[i];
            *out += std::string(i ? "," : "") + "\n  {\"file\": " + jsonString(finding.file) +
                    ", \"line\": " + number(finding.line) + ", \"languages\": [";
            for (size_t l = 0; l < finding.languages.size(); ++l)
                *out += (l ? ", " : "") + jsonString(hex4(finding.languages[l]));
            *out += "], \"reason\": " + jsonString(finding.reason) + "}";
        }
        *out += "]";
    }
    *out += "}\n";
}

} // namespace

int runCheck(const CommandLine& line, std::string* out, std::string* reason) {
    Check check = {};
    check.folder = line.arguments[0];
    if (kindOf(check.folder) != IsFolder) {
        *reason = "no media folder " + check.folder;
        return UsageError;
    }
    check.bases = defaultBases(line);
    // The report names the folder alone: it reads the same whatever path led to it.
    std::string media = check.folder;
    while (media.size() > 1 && (media.back() == '/' || media.back() == '\\'))
        media.pop_back();
    media = media.substr(media.find_last_of("/\\") + 1);

    if (kindOf(mediaPath(check, "ZelSetup.dat")) != IsFile)
        add(&check.problems, "ZelSetup.dat", 0,
            "the setup data are missing (or a folder): setup ends at once (code 8)");
    else
        check.setupDataRead = openProfileSource(mediaPath(check, "ZelSetup.dat"), &check.setupData);
    bool releaseRead = chooseReleaseSource(&check);
    if (!line.dataOnly)
        checkFileSet(&check);
    if (releaseRead) {
        for (const ResourceLanguage& language : chosenLanguages(line))
            checkLanguage(&check, language);
    }
    if (check.catalog) {
        releaseDocument(check.catalog);
        heapFree(check.catalog);
    }
    // zelcat.exe reads the values through the system and the lines through its own scan.
    for (const ProfileSource* source : {&check.setupData, &check.release}) {
        if (source->disagreed)
            add(&check.problems, source->path.substr(source->path.find_last_of("/\\") + 1), 0,
                "the system reads this file unlike zelcat's scan: its lines may be wrong");
    }
    if (line.json)
        appendJson(out, check, media);
    else
        appendText(out, check, media);
    return check.problems.empty() ? Done : Failed;
}
