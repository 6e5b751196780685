// The subcommands that read values out of the catalog: each appends its answer lines to out,
// or sets a one-line reason, and returns the exit code.
#pragma once

#include <string>

#include "tools/zelcat/command_line.h"
#include "xml/xml_document.h"

enum ExitCode { Done = 0, Failed = 1, UsageError = 2, EmptyValue = 3 };

typedef int (*Handler)(const XmlDocument& document, const CommandLine& line, std::string* out,
                       std::string* reason);

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
