// The browser toolbar button that starts the package manager.
#pragma once

bool hasBrowserButton();
bool writeBrowserButton(const char* programPath, const char* iconLocation, const char* buttonText,
                        int create);
