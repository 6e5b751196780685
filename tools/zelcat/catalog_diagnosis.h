// Why a catalog does not parse, and what in it parses but is almost certainly a mistake.
//
// The diagnosis follows the parser's own steps on the same bytes without touching the parser,
// so that a release engineer learns where a catalog stops, not only that it does.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

// One place in the catalog and what is wrong there.
struct CatalogFinding {
    uint32_t offset; // bytes from the start of the file; the file's length for its end
    // Both from 1. A line ends after each line feed, so a CR LF pair ends one line and a lone
    // CR ends none. A column counts bytes: a tab, a CR and each byte of a UTF-8 character
    // count one each, as do the three bytes of a byte-order mark.
    uint32_t line;
    uint32_t column;
    std::string reason; // one line of printable ASCII: other bytes are written \xHH
};

struct CatalogDiagnosis {
    bool parses;            // exactly when parseDocument(text, length, false) gives a document
    CatalogFinding failure; // where and why the parse fails; zero and empty when it parses
    std::vector<CatalogFinding> warnings; // in document order, up to the failure if any
};

// Diagnoses the XML-mode parse of length bytes at text. A parse that fails only for want of
// memory is not foreseen: the diagnosis then says the catalog parses.
CatalogDiagnosis diagnoseCatalog(const char* text, uint32_t length);

// "FILE:LINE:COLUMN: REASON", as zelcat reports a finding.
std::string locatedFinding(const std::string& file, const CatalogFinding& finding);
