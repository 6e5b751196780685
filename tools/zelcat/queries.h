// The subcommands that read values out of the catalog: each appends its answer lines to out,
// or sets a one-line reason, and returns the exit code.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "tools/zelcat/command_line.h"
#include "xml/xml_document.h"

enum ExitCode { Done = 0, Failed = 1, UsageError = 2, EmptyValue = 3 };

typedef int (*Handler)(const XmlDocument& document, const CommandLine& line, std::string* out,
                       std::string* reason);
// The subcommands that take FILE's bytes as they are, unparsed.
typedef int (*BytesHandler)(const std::vector<char>& bytes, const CommandLine& line,
                            std::string* out, std::string* reason);

int runChoose(const XmlDocument&, const CommandLine&, std::string*, std::string*);
int runLookup(const XmlDocument&, const CommandLine&, std::string*, std::string*);
int runCompose(const XmlDocument&, const CommandLine&, std::string*, std::string*);
int runText(const XmlDocument&, const CommandLine&, std::string*, std::string*);
int runReleaseId(const XmlDocument&, const CommandLine&, std::string*, std::string*);
int runProductId(const XmlDocument&, const CommandLine&, std::string*, std::string*);
int runFormatVersion(const XmlDocument&, const CommandLine&, std::string*, std::string*);
int runBuildId(const XmlDocument&, const CommandLine&, std::string*, std::string*);
int runBuildHref(const XmlDocument&, const CommandLine&, std::string*, std::string*);
int runDownlevel(const XmlDocument&, const CommandLine&, std::string*, std::string*);
int runCategory(const XmlDocument&, const CommandLine&, std::string*, std::string*);
int runTitleVersion(const XmlDocument&, const CommandLine&, std::string*, std::string*);
int runBuildFile(const XmlDocument&, const CommandLine&, std::string*, std::string*);
int runResolve(const XmlDocument&, const CommandLine&, std::string*, std::string*);

// A conversion of xml/code_pages.h, and the whole of length bytes through it (a size query,
// then the text); false, and output empty, when it fails.
typedef bool (*Conversion)(unsigned codePage, const char* source, uint32_t length,
                           char* destination, uint32_t* size);
bool convertWhole(Conversion convert, unsigned codePage, const char* source, size_t length,
                  std::string* output);

// FILE's UTF-8 text in the code page of --codepage, and FILE's bytes in that code page as UTF-8.
int runEncode(const std::vector<char>&, const CommandLine&, std::string*, std::string*);
int runDecode(const std::vector<char>&, const CommandLine&, std::string*, std::string*);
