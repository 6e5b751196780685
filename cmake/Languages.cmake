# The languages of resources/languages.txt, as parallel lists (ZEL_LANGUAGE_IDS, _LOCALES,
# _SCRIPTS, _CODE_PAGES, _NAMES), and as the C table resourceLanguages of the generated header
# languages.h in ${ZEL_GENERATED_DIR}.
set(ZEL_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
file(STRINGS ${CMAKE_SOURCE_DIR}/resources/languages.txt ZEL_LANGUAGE_LINES REGEX "^0x")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/resources/languages.txt)
foreach(list IDS LOCALES SCRIPTS CODE_PAGES NAMES)
    set(ZEL_LANGUAGE_${list})
endforeach()
set(rows "")
foreach(line ${ZEL_LANGUAGE_LINES})
    string(REGEX MATCH "^(0x[0-9a-f]+) ([a-z]+_[A-Z]+) ([a-z_]+) ([0-9]+) (.+)$" matched "${line}")
    if(NOT matched)
        message(FATAL_ERROR "resources/languages.txt: cannot read \"${line}\"")
    endif()
    list(APPEND ZEL_LANGUAGE_IDS ${CMAKE_MATCH_1})
    list(APPEND ZEL_LANGUAGE_LOCALES ${CMAKE_MATCH_2})
    list(APPEND ZEL_LANGUAGE_SCRIPTS ${CMAKE_MATCH_3})
    list(APPEND ZEL_LANGUAGE_CODE_PAGES ${CMAKE_MATCH_4})
    list(APPEND ZEL_LANGUAGE_NAMES "${CMAKE_MATCH_5}")
    string(APPEND rows "{${CMAKE_MATCH_1}, \"${CMAKE_MATCH_2}\", ${CMAKE_MATCH_4}, \"${CMAKE_MATCH_5}\"},\n")
endforeach()
file(CONFIGURE OUTPUT ${ZEL_GENERATED_DIR}/languages.h CONTENT
"// Generated from resources/languages.txt: the languages of the resources.
#pragma once

#include <stdint.h>

struct ResourceLanguage {
    uint16_t id;
    const char* locale;
    unsigned codePage; // the ANSI code page of its systems
    const char* name;
};

static const ResourceLanguage resourceLanguages[] = {
${rows}};
")
