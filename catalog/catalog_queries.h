// Read operations on the catalog's top level. The setup run calls none of them.
#pragma once

#include <stdint.h>

#include "base/query_environment.h"
#include "xml/xml_document.h"

bool readCatalogText(const char* path, char* buffer, uint32_t size, const XmlDocument* document,
                     const QueryEnvironment* environment);
bool getReleaseIdByOrder(char* buffer, uint32_t size, uint32_t index, const char* productId,
                         const XmlDocument* document);
bool getProductIdByIndex(char* buffer, uint32_t size, uint32_t index, const XmlDocument* document);
bool getCatalogFormatVersion(char* buffer, uint32_t size, const XmlDocument* document);
bool getBuildId(char* buffer, uint32_t size, const XmlDocument* document);
bool getBuildHref(char* buffer, uint32_t size, const XmlDocument* document);
bool getProductDownlevel(char* buffer, uint32_t size, const char* productId,
                         const XmlDocument* document);
bool getProductCategory(char* buffer, uint32_t size, const char* productId,
                        const XmlDocument* document);
bool getBuildFile(char* nameBuffer, uint32_t nameSize, char* readmeBuffer, uint32_t readmeSize,
                  int32_t* fileSize, uint32_t* checksum, uint32_t* releaseDate,
                  const XmlDocument* document, const QueryEnvironment* environment);
bool getBuildTitleAndVersion(char* titleBuffer, uint32_t titleSize, char* versionBuffer,
                             uint32_t versionSize, const XmlDocument* document,
                             const QueryEnvironment* environment);
// The value of one pd or gd node (or any node's own text) written into buffer when it fits.
bool resolveNodeValue(const XmlNode* node, char* buffer, uint32_t size, const XmlDocument* document,
                      const QueryEnvironment* environment);
